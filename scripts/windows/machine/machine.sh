# The emulated x86 machine that runs 32-bit Windows programs (sourced, not run). Needs
# $root (the clone) and scripts/windows/common.sh sourced first.

# Images live outside the clone, beside the Windows libraries, keyed by what they are made of.
machine_cache=${PLINTHAR_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/plinthar}/machine-i686
# Where the machine keeps its 32-bit Wine prefix, made when the image is built.
machine_wine_prefix=/opt/plinthar/wineprefix-win32

machine_install_packages() {
    source "$root/scripts/install-packages.sh"
    install_packages qemu-system-x86 debootstrap e2fsprogs util-linux
}

# run_machine <image folder> <run folder> <seconds> [<tag> <host folder>]…
# Boots the machine from a throw-away copy of the image (nothing it writes to its disk
# stays), shares the run folder as "run" and each further folder under its tag, lets its
# first process run <run folder>/job and returns that job's status: 124 when the machine
# did not finish within <seconds>, 125 when it ended without a status. The console goes
# to standard output and to <run folder>/console.log.
run_machine() {
    local image=$1 run=$2 seconds=$3
    shift 3
    local shares=(-virtfs "local,path=$run,mount_tag=run,security_model=none,id=run")
    while [ $# -ge 2 ]; do
        shares+=(-virtfs "local,path=$2,mount_tag=$1,security_model=none,id=$1")
        shift 2
    done
    local snapshot=on
    [ "${machine_writable:-0}" = 1 ] && snapshot=off
    rm -f "$run/job.status"
    # No KVM here: QEMU's translator runs the whole machine, one host thread per processor.
    # SMAP stays off: with it, QEMU 7.2's translator faults the iret by which 32-bit Wine
    # returns to its programs (a kernel oops in every 32-bit program).
    rm -f "$run/qemu.status"
    {
        timeout --kill-after=20 "$seconds" qemu-system-x86_64 \
            -machine q35 -accel tcg,thread=multi -cpu max,-smap -smp "$(nproc)" -m 4096 \
            -nodefaults -display none -serial stdio -monitor none -no-reboot \
            -kernel "$image/vmlinuz" -initrd "$image/initrd.img" \
            -append "console=ttyS0 root=/dev/vda rw init=/sbin/plinthar-init panic=1 quiet" \
            -drive "file=$image/disk.img,if=virtio,format=raw,snapshot=$snapshot" \
            -netdev user,id=net,restrict=on -device virtio-net-pci,netdev=net,romfile= \
            "${shares[@]}" </dev/null
        echo "$?" >"$run/qemu.status"
    } 2>&1 | sed -u 's/\r$//' | tee "$run/console.log"
    [ "$(cat "$run/qemu.status" 2>/dev/null)" = 124 ] && return 124
    [ -f "$run/job.status" ] || return 125
    return "$(cat "$run/job.status")"
}
