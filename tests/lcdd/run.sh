#!/usr/bin/env bash
# Runs the LCDd check: installs LCDd (Debian package lcdproc) when missing, copies the
# headless LCDd script into a work folder and runs the checker, which starts LCDd, the Kodi
# simulator and the host itself. Whatever LCDd is left running is stopped at the end.
#
#   usage: run.sh CHECKER LCDD_SCRIPTS_DIR
#
# Exit status 77 means skipped: no script, or LCDd missing and not installable.
# LCDD_KEEP=1 keeps the work folder (frames, logs); it is kept anyway when the check fails.
set -uo pipefail

checker=${1:?usage: run.sh CHECKER LCDD_SCRIPTS_DIR}
scripts=${2:?usage: run.sh CHECKER LCDD_SCRIPTS_DIR}
t0=$(date +%s.%N)
skip() {
    echo "SKIPPED: $*"
    exit 77
}
elapsed() { awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }'; }

[ -r "$scripts/lcdd-headless.sh" ] || skip "no $scripts/lcdd-headless.sh"
[ -x "$checker" ] || { echo "no checker at $checker" >&2; exit 1; }

if [ ! -x /usr/sbin/LCDd ]; then
    [ "$(id -u)" -eq 0 ] || skip "LCDd is missing and installing it needs root"
    echo "installing lcdproc"
    export DEBIAN_FRONTEND=noninteractive
    apt_install() { timeout 300 apt-get install -y -qq --no-install-recommends lcdproc >/dev/null 2>&1; }
    if ! apt_install; then
        timeout 120 apt-get update -qq >/dev/null 2>&1
        apt_install || skip "cannot install lcdproc"
    fi
    [ -x /usr/sbin/LCDd ] || skip "no /usr/sbin/LCDd after installing lcdproc"
    echo "installed in $(elapsed) s"
fi

work=$(mktemp -d /tmp/plinthar-lcdd-XXXXXX)
checker_pid=
cleanup() {
    local rc=$?
    if [ -n "$checker_pid" ]; then kill "$checker_pid" 2>/dev/null; wait "$checker_pid" 2>/dev/null; fi
    for pidfile in "$work"/*/lcdd.pid; do
        [ -s "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null
    done
    if [ "${LCDD_KEEP:-0}" = 1 ] || { [ "$rc" -ne 0 ] && [ "$rc" -ne 77 ]; }; then
        echo "work folder kept: $work"
    else
        rm -rf "$work"
    fi
    echo "LCDd check: exit $rc after $(elapsed) s"
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

cp "$scripts/lcdd-headless.sh" "$work/"
chmod u+rwx "$work/lcdd-headless.sh"
LCDD_SCRIPT=$work/lcdd-headless.sh LCDD_WORK=$work "$checker" &
checker_pid=$!
wait "$checker_pid"
rc=$?
checker_pid=
exit $rc
