# Installs what this project needs on Debian 12 when it is missing. Safe to run again: with
# everything present it installs nothing and does not touch apt.
# shellcheck source=wine.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine.sh"

# keystead_missing_packages [x86_64]: with x86_64, also what the 64-bit test build and Wine's
# 64-bit half need, for a kernel that runs no 32-bit code.
keystead_missing_packages() {
    local -a missing=()
    have() { command -v "$1" >/dev/null 2>&1; }
    installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
    # The win32 thread model for the programs that ship, the posix one for the tests.
    have i686-w64-mingw32-g++-win32 || missing+=(g++-mingw-w64-i686-win32)
    have i686-w64-mingw32-gcc-win32 || missing+=(gcc-mingw-w64-i686-win32)
    have i686-w64-mingw32-g++-posix || missing+=(g++-mingw-w64-i686-posix)
    have i686-w64-mingw32-gcc-posix || missing+=(gcc-mingw-w64-i686-posix)
    have i686-w64-mingw32-windres || missing+=(binutils-mingw-w64-i686)
    have cmake || missing+=(cmake)
    have ninja || missing+=(ninja-build)
    have g++ || missing+=(g++)
    have wine || missing+=(wine)
    installed wine32:i386 || missing+=(wine32:i386)
    have Xvfb || missing+=(xvfb)
    have xvfb-run || missing+=(xvfb)
    have xauth || missing+=(xauth)
    have import || missing+=(imagemagick)
    have xwininfo || missing+=(x11-utils)
    have openssl || missing+=(openssl)
    # The setup programs of the package, and 7-Zip, which reads them back for the tests.
    have makensis || missing+=(nsis)
    have 7z || missing+=(p7zip-full)
    # Authenticode signing of the package (scripts/package --sign) and its tests.
    have osslsigncode || missing+=(osslsigncode)
    [ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
    [ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
    [ -d /usr/share/ca-certificates/mozilla ] || missing+=(ca-certificates)
    if [ "${1:-}" = x86_64 ]; then
        have x86_64-w64-mingw32-g++-win32 || missing+=(g++-mingw-w64-x86-64-win32)
        have x86_64-w64-mingw32-gcc-win32 || missing+=(gcc-mingw-w64-x86-64-win32)
        have x86_64-w64-mingw32-g++-posix || missing+=(g++-mingw-w64-x86-64-posix)
        have x86_64-w64-mingw32-gcc-posix || missing+=(gcc-mingw-w64-x86-64-posix)
        have x86_64-w64-mingw32-windres || missing+=(binutils-mingw-w64-x86-64)
        [ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
    fi
    printf '%s\n' "${missing[@]}" | sort -u | tr '\n' ' '
}

keystead_install_deps() {
    keystead_install_missing "" || return 1
    # Whether the kernel runs 32-bit code shows only once Wine's 32-bit loader is there.
    local arch
    arch=$(keystead_windows_arch)
    [ "$arch" = i686 ] || keystead_install_missing "$arch"
}

# keystead_install_missing [x86_64]
keystead_install_missing() {
    local missing
    missing=$(keystead_missing_packages "$1")
    [ -z "${missing// /}" ] && return 0
    if [ "$(id -u)" != 0 ]; then
        echo "keystead: missing packages ($missing) and not root to install them" >&2
        return 1
    fi
    echo "keystead: installing $missing"
    export DEBIAN_FRONTEND=noninteractive
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    # A mirror in mid-sync can fail one index; what was fetched is still usable.
    local i
    for i in 1 2 3; do
        apt-get update -q >/tmp/keystead-apt-update.log 2>&1 && break
        sleep 3
    done
    # shellcheck disable=SC2086
    if ! apt-get install -y -q --no-install-recommends $missing >/tmp/keystead-apt.log 2>&1; then
        # The i386 and amd64 halves of a multi-arch package must have one version. When the
        # security index of one architecture is stale, take both from the main suite.
        local pref
        pref=$(mktemp)
        printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' >"$pref"
        # shellcheck disable=SC2086
        if ! apt-get install -y -q --no-install-recommends -o Dir::Etc::Preferences="$pref" \
            $missing >>/tmp/keystead-apt.log 2>&1; then
            rm -f "$pref"
            tail -n 30 /tmp/keystead-apt.log >&2
            echo "keystead: package installation failed" >&2
            return 1
        fi
        rm -f "$pref"
    fi
    missing=$(keystead_missing_packages "$1")
    if [ -n "${missing// /}" ]; then
        echo "keystead: still missing after install: $missing" >&2
        return 1
    fi
}
