# Shared by the Windows scripts (sourced, not run).

# Everything built for Windows outside the clone: the cross-built dependencies, the
# Boost header folder, the Wine prefixes.
windows_cache=${PLINTHAR_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/plinthar}/windows
mkdir -p "$windows_cache"

# A folder holding only the header trees the cross compiler may see from the machine:
# /usr/include itself would shadow mingw's C library headers with glibc's.
windows_sysinc=$windows_cache/sysinc
mkdir -p "$windows_sysinc"
for tree in boost websocketpp; do
    [ -e "$windows_sysinc/$tree" ] || ln -sfn "/usr/include/$tree" "$windows_sysinc/$tree"
done

# The Debian mirror the machine already uses, for source packages.
debian_mirror() {
    local uri
    uri=$(grep -hsE '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}' |
        grep -v security | head -1 || true)
    [ -n "$uri" ] || uri=$(grep -hsE '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
        awk '{print $2}' | grep -v security | head -1 || true)
    echo "${uri:-http://deb.debian.org/debian}"
}

# fetch_debian_source <package> <upstream version> <folder>: downloads the newest Debian
# revision of that upstream version of the source package, unpacks it with Debian's own
# patches applied, and prints the source folder. A private apt configuration is used: the
# machine's sources are left as they are (a fresh Debian has no deb-src entries).
fetch_debian_source() {
    local package=$1 upstream=$2 folder=$3
    local apt_dir=$windows_cache/apt mirror
    mirror=$(debian_mirror)
    mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    cat >"$apt_dir/parts/debian-src.sources" <<SOURCES
Types: deb-src
URIs: $mirror
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: ${mirror%/debian}/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    local options=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt_dir/parts"
        -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
        -o "APT::Sandbox::User=root")
    # A security index that cannot be fetched leaves the main suite's sources usable.
    apt-get "${options[@]}" -qq update >&2 || true
    # Newest first; a revision the mirror lists but cannot serve gives way to the next.
    local version
    for version in $(apt-cache "${options[@]}" showsrc "$package" |
        awk -v want="$upstream" '/^Version:/ { v = $2; u = v; sub(/^[0-9]+:/, "", u);
            sub(/-[^-]*$/, "", u); if (u == want) print v }' | sort -Vru); do
        rm -rf "${folder:?}"/*
        (cd "$folder" && apt-get "${options[@]}" -qq source --download-only "$package=$version" \
            >"$folder/fetch.log" 2>&1) || continue
        # apt has checked the files against the signed index; dpkg-source unpacks them and
        # applies Debian's patches (the maintainer's own signature needs their key, absent here).
        dpkg-source -x "$folder/${package}_${version#*:}.dsc" "$folder/src" >"$folder/unpack.log" 2>&1 ||
            { cat "$folder/unpack.log" >&2; return 1; }
        echo "$folder/src"
        return 0
    done
    echo "no Debian source of $package $upstream could be fetched from $mirror" >&2
    [ -f "$folder/fetch.log" ] && cat "$folder/fetch.log" >&2
    return 1
}

# wine_prefix <use>: the Wine prefix for one use (tests, demo, bench) of this clone. Clones
# have prefixes of their own: each run ends its prefix's server, which must not end
# another clone's run.
wine_prefix() {
    local clone_key
    clone_key=$(printf '%s' "$root" | sha256sum | cut -c1-8)
    echo "$windows_cache/wineprefix-$1-$clone_key"
}

# Wine's 64-bit loader; Debian installs it outside PATH.
wine64_program=/usr/lib/wine/wine64

# keep_wineserver <wineserver>: a server that stays for the prefix in WINEPREFIX, started
# unless one runs already (a second -p fails). Its output goes nowhere, so that it does not
# hold the pipe of whoever runs the script open after the script has ended.
keep_wineserver() {
    "$1" -p </dev/null >/dev/null 2>&1 || true
}
