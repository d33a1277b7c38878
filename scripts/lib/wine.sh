# Wine prefixes for tests and the demo. A template prefix is made once per Wine version and
# copied for every run, so a run starts from a clean Windows in seconds.

keystead_cache_dir() {
    if [ -n "${KEYSTEAD_CACHE:-}" ]; then
        echo "$KEYSTEAD_CACHE"
    elif [ "$(id -u)" = 0 ]; then
        echo /var/cache/keystead
    else
        echo "${XDG_CACHE_HOME:-$HOME/.cache}/keystead"
    fi
}

# keystead_windows_arch: i686 where this kernel runs Wine's 32-bit loader, x86_64 where it runs
# 64-bit code only (some virtual machines refuse every i386 executable). The shipped programs are
# 32-bit; on the second kind of machine the tests run a 64-bit build of the same sources instead.
keystead_windows_arch() {
    if [ -n "${KEYSTEAD_WINDOWS_ARCH:-}" ]; then
        echo "$KEYSTEAD_WINDOWS_ARCH"
    elif [ ! -x /usr/lib/wine/wine ] || /usr/lib/wine/wine --version >/dev/null 2>&1; then
        echo i686
    else
        echo x86_64
    fi
}

keystead_wine_env() {
    export WINEDEBUG="${WINEDEBUG:--all}"
    # No Mono or Gecko download prompts: the machine has no network for them.
    export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
    KEYSTEAD_WINDOWS_ARCH=$(keystead_windows_arch)
    export KEYSTEAD_WINDOWS_ARCH
    if [ "$KEYSTEAD_WINDOWS_ARCH" = x86_64 ]; then
        export WINEARCH=win64
        local shims
        shims="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64"
        case ":$PATH:" in
        *":$shims:"*) ;;
        *) export PATH="$shims:$PATH" ;;
        esac
    else
        export WINEARCH=win32
    fi
}

# keystead_windows_tree ROOT: the Windows test tree that Wine runs on this machine. Its bin
# folder holds the simulator, zqsimctl and copies of the programs it drives.
keystead_windows_tree() {
    if [ "$(keystead_windows_arch)" = x86_64 ]; then
        echo "$1/build/windows64-tests"
    else
        echo "$1/build/windows-tests"
    fi
}

# keystead_can_run_wine: whether Wine runs at all for the chosen architecture.
keystead_can_run_wine() {
    wine --version >/dev/null 2>&1
}

# keystead_prefix_template: prints the template's path, making it first if needed.
keystead_prefix_template() {
    keystead_wine_env
    local version cache template
    version=$(wine --version 2>/dev/null | tr -c 'A-Za-z0-9.\n-' '_')
    cache=$(keystead_cache_dir)
    template="$cache/wine-template-$version-$WINEARCH"
    if [ ! -f "$template/.complete" ]; then
        mkdir -p "$cache"
        rm -rf "$template.tmp"
        echo "keystead: making the Wine prefix template (once per Wine version)" >&2
        (
            export WINEPREFIX="$template.tmp"
            xvfb-run -a wineboot -i >/dev/null 2>&1 || true
            wineserver -w
        )
        [ -f "$template.tmp/system.reg" ] || {
            echo "keystead: wineboot failed" >&2
            return 1
        }
        touch "$template.tmp/.complete"
        rm -rf "$template"
        mv "$template.tmp" "$template"
    fi
    echo "$template"
}

# keystead_new_prefix DIR: a fresh prefix in DIR, copied from the template.
keystead_new_prefix() {
    local template
    template=$(keystead_prefix_template) || return 1
    rm -rf "$1"
    mkdir -p "$(dirname "$1")"
    cp -a --reflink=auto "$template" "$1"
    rm -f "$1/.complete"
}

# keystead_unmanaged_windows: for a virtual screen, where no window manager runs. Wine would
# wait up to two seconds for one to withdraw every window that goes (each message box, each
# dialog); unmanaged windows go at once.
keystead_unmanaged_windows() {
    wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
}

# keystead_set_windows_version EXE VERSION: what Wine reports to that program (winxp, win7...).
keystead_set_windows_version() {
    wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$1" /v Version /d "$2" /f >/dev/null 2>&1
}
