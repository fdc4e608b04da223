#!/usr/bin/env bash
# Runs the real-Kodi check: installs Kodi 20 and its helpers when missing, makes the test
# media, starts Kodi headless inside a network namespace that has nothing but a loopback
# interface, runs the checker in the same namespace and removes everything again, also when
# a step fails. Kodi never runs outside the namespace.
#
#   usage: run.sh CHECKER KODI_SCRIPTS_DIR
#
# KODI_SCRIPTS_DIR holds start-kodi.sh, stop-kodi.sh and make-media.sh (they may lack write
# and execute bits: they are copied and run with bash). Exit status 77 means skipped: not
# root, no network namespaces, or the packages cannot be installed (for example offline).
# REAL_KODI_KEEP=1 keeps the work folder (Kodi's home and log, the media, the host folder with
# the plug-in's log); it is kept anyway when the check fails.
set -uo pipefail

checker=${1:?usage: run.sh CHECKER KODI_SCRIPTS_DIR}
scripts=${2:?usage: run.sh CHECKER KODI_SCRIPTS_DIR}
port=9090
t0=$(date +%s.%N)

skip() {
    echo "SKIPPED: $*"
    exit 77
}
elapsed() { awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }'; }

[ "$(id -u)" -eq 0 ] || skip "needs root (network namespace, apt-get)"
for f in start-kodi.sh stop-kodi.sh make-media.sh; do
    [ -r "$scripts/$f" ] || skip "no $scripts/$f"
done
[ -x "$checker" ] || { echo "no checker at $checker" >&2; exit 1; }

# 1. What Kodi, its headless display and audio, the media maker and the scripts need.
packages=(kodi xvfb pulseaudio libgl1-mesa-dri python3-websockets ffmpeg iproute2)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt_install() { timeout 300 apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; }
    if ! apt_install; then
        timeout 120 apt-get update -qq >/dev/null 2>&1
        apt_install || skip "cannot install ${missing[*]}"
    fi
    echo "installed in $(elapsed) s"
fi
compgen -G '/usr/lib/*/kodi/kodi.bin' >/dev/null || skip "kodi.bin not found after install"

work=$(mktemp -d /tmp/plinthar-realkodi-XXXXXX)
ns=plinthar-kodi-$$
khome=$work/kodi-home
ns_made=0
child=
media_maker=
# Long steps run in the background so that a signal is handled at once, not when they end.
run_child() {
    "$@" &
    child=$!
    wait "$child"
    local rc=$?
    child=
    return $rc
}
failed_hint() {
    echo "---- tail of Kodi's log ($khome/.kodi/temp/kodi.log)"
    tail -n 40 "$khome/.kodi/temp/kodi.log" 2>/dev/null
}
cleanup() {
    local rc=$?
    if [ -n "$child" ]; then kill "$child" 2>/dev/null; wait "$child" 2>/dev/null; fi
    if [ -n "$media_maker" ]; then kill -- "-$media_maker" 2>/dev/null; wait "$media_maker" 2>/dev/null; fi
    if [ -d "$khome/run" ]; then bash "$work/scripts/stop-kodi.sh" "$khome" >/dev/null || rc=1; fi
    [ "$ns_made" = 1 ] && ip netns del "$ns" 2>/dev/null
    local failed=0  # not passed, not skipped, not interrupted
    case $rc in 0 | 77 | 130) ;; *) failed=1 ;; esac
    [ "$failed" = 1 ] && failed_hint
    if [ "${REAL_KODI_KEEP:-0}" = 1 ] || [ "$failed" = 1 ]; then
        echo "work folder kept: $work"
    else
        rm -rf "$work"
    fi
    echo "real-Kodi check: exit $rc after $(elapsed) s"
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$work/scripts"
cp "$scripts/start-kodi.sh" "$scripts/stop-kodi.sh" "$scripts/make-media.sh" "$work/scripts/"
chmod u+rwx "$work/scripts/"*.sh

# 2. The namespace: only lo, and it up. Kodi and the checker both run in it.
ip netns add "$ns" 2>/dev/null || skip "cannot make a network namespace"
ns_made=1
in_ns() { ip netns exec "$ns" "$@"; }
in_ns ip link set lo up || exit 1
links=$(in_ns ip -o link show | awk -F': ' '{ print $2 }' | tr '\n' ' ')
if [ "$links" != "lo " ]; then
    echo "the namespace has more than loopback: $links" >&2
    exit 1
fi

# 3. Media (made while Kodi starts) and Kodi.
# In a session of its own, so that an interruption can end ffmpeg too.
setsid bash "$work/scripts/make-media.sh" "$work/media" >"$work/make-media.log" 2>&1 &
media_maker=$!
KODI_FRESH=1 KODI_SCREEN=640x360x24 \
    run_child ip netns exec "$ns" bash "$work/scripts/start-kodi.sh" "$port" "$khome" || exit 1
echo "Kodi ready at $(elapsed) s"
kodi_net=$(readlink "/proc/$(cat "$khome/run/kodi.pid")/ns/net")
if [ "$kodi_net" != "$(ip netns exec "$ns" readlink /proc/self/ns/net)" ]; then
    echo "Kodi runs outside the namespace ($kodi_net)" >&2
    exit 1
fi
wait "$media_maker"
media_rc=$?
media_maker=
[ "$media_rc" -eq 0 ] || { cat "$work/make-media.log"; exit 1; }
echo "media made at $(elapsed) s"

# 4. The checker, as a display host in the same namespace.
REAL_KODI_MEDIA=$work/media REAL_KODI_PORT=$port REAL_KODI_HOST_FOLDER=$work/host \
    run_child ip netns exec "$ns" timeout 240 "$checker"
rc=$?
echo "checker done at $(elapsed) s"
exit $rc
