#!/bin/bash
# Runs inside the emulated machine: the 32-bit unit suite with CTest under 32-bit Wine, one
# label (test folder) at a time in the order given, as long as the next label is expected
# to fit in what is left of <minutes>. Writes suite.log and one line a label to <out>/labels
# ("<label> <run> <passed> <skipped> <seconds>" or "<label> left-out <why>"); a skipped test
# is one that said why it cannot be judged here, and counts as run, not as passed.
#   guest_suite.sh <build folder> <out> <minutes> <label>…
set -uo pipefail
build=$1 out=$2 minutes=$3
shift 3
budget=$((minutes * 60))
started=$SECONDS
: >"$out/labels"
# Seconds a test is expected to take, wall time with -j2, until measured here.
per_test=6
spent_on_tests=0 tests_done=0
cd "$build" || exit 1
for label in "$@"; do
    count=$(ctest -N -L "^$label\$" -LE dll_image 2>/dev/null | sed -n 's/^Total Tests: //p')
    count=${count:-0}
    if [ "$count" -eq 0 ]; then
        echo "$label left-out no-tests" >>"$out/labels"
        continue
    fi
    if [ "$tests_done" -gt 0 ]; then per_test=$(((spent_on_tests + tests_done - 1) / tests_done)); fi
    left=$((budget - (SECONDS - started)))
    expected=$((count * per_test))
    if [ "$expected" -gt "$left" ]; then
        echo "$label left-out time:${expected}s-expected,${left}s-left" >>"$out/labels"
        echo "suite: label $label left out: $count tests, about $expected s, $left s left"
        continue
    fi
    echo "suite: label $label: $count tests"
    label_started=$SECONDS
    ctest -L "^$label\$" -LE dll_image -j2 --timeout 900 --output-on-failure \
        >"$out/suite-$label.log" 2>&1
    took=$((SECONDS - label_started))
    ran=$(sed -n 's/.*tests passed, [0-9]* tests failed out of \([0-9]*\).*/\1/p' "$out/suite-$label.log")
    failed=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of.*/\1/p' "$out/suite-$label.log")
    skipped=$(grep -c '(Skipped)$' "$out/suite-$label.log")
    ran=${ran:-0} failed=${failed:-$ran}
    passed=$((ran - failed - skipped))
    echo "$label $ran $passed $skipped $took" >>"$out/labels"
    echo "suite: label $label: $passed of $ran passed, $skipped skipped, in $took s"
    grep -E '^\s*[0-9]+ - .*\((Failed|Timeout|Not Run|SEGFAULT|Exception|Skipped)' "$out/suite-$label.log" || true
    spent_on_tests=$((spent_on_tests + took)) tests_done=$((tests_done + count))
done
cat "$out"/suite-*.log >"$out/suite.log" 2>/dev/null
exit 0
