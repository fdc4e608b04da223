# install_packages <package>…: installs those of the Debian packages that are missing,
# through sudo when not root (sourced by the install scripts). Safe to run again.
install_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    local sudo_cmd=""
    [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
    export DEBIAN_FRONTEND=noninteractive
    # Another installation running on the machine is waited for, not failed on.
    local wait_lock=(-o DPkg::Lock::Timeout=900)
    $sudo_cmd apt-get "${wait_lock[@]}" update -qq
    $sudo_cmd apt-get "${wait_lock[@]}" install -y -qq --no-install-recommends "${missing[@]}"
}
