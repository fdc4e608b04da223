#!/bin/bash
# Judges a smoke run from what guest_smoke.sh left in <out>: the steps a user sees, in the
# host's --plain frames (rows of the 20x4 display, a blank line after each frame), then
# the plug-in's own start and end in its log and the host's clean exit. Prints one line a
# step and, last, "smoke: N of M steps passed"; exit status 0 only when all passed.
#   check_smoke.sh <out>
set -uo pipefail
out=$1
# The Windows host ends its lines with CR LF.
frames=$(mktemp)
trap 'rm -f "$frames"' EXIT
tr -d '\r' <"$out/frames.txt" >"$frames" 2>/dev/null
passed=0 total=0

# row <n> <pattern>: some frame's row n matches the extended regular expression.
row() {
    awk -v n="$1" -v pattern="$2" 'BEGIN { RS = ""; FS = "\n" }
        $n ~ pattern { found = 1; exit } END { exit !found }' "$frames" 2>/dev/null
}
# rows <n1> <pattern1> <n2> <pattern2>: the same frame matches both.
rows() {
    awk -v a="$1" -v pa="$2" -v b="$3" -v pb="$4" 'BEGIN { RS = ""; FS = "\n" }
        $a ~ pa && $b ~ pb { found = 1; exit } END { exit !found }' "$frames" 2>/dev/null
}
step() {
    local what=$1
    shift
    total=$((total + 1))
    if "$@"; then
        passed=$((passed + 1))
        echo "smoke: passed: $what"
    else
        echo "smoke: FAILED: $what"
    fi
}
bar='(█|▎|▍|▋|▊)'
log_has() { grep -qx "[0-9/ :]*: $1"$'\r*' "$out/plinthar.log" 2>/dev/null; }

step "welcome line" row 1 'Kodi Media Center'
step "connected (function11 answers 1)" row 4 'ws 1 '
step "title with the play icon after a play" row 1 '^▶ Harbour Lights'
step "progress bar after the first polls" rows 1 '^▶ Harbour Lights' 2 "$bar"
step "info labels (elapsed / total time)" row 3 '[0-9]:[0-9][0-9] / 1:42:13'
step "pause icon" row 1 '^‖ Harbour Lights'
step "volume screen" rows 1 'Volume' 2 "$bar"
step "stop screen" row 1 '^■'
step "plug-in started and ended (SmartieInit, SmartieFini in its log)" \
    eval 'log_has SmartieInit && log_has SmartieFini'
step "host exited cleanly" eval '[ "$(cat "$out/host.status" 2>/dev/null)" = 0 ]'
echo "smoke: $passed of $total steps passed"
[ "$passed" -eq "$total" ]
