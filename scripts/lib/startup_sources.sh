# The mingw-w64 runtime's start-up sources, of the version the cross compilers link against. The
# shipped 32-bit programs build their three start-up objects from them for a Pentium: the
# packaged objects are built for a Pentium Pro and each holds a CMOV. Fetched once from Debian's
# archive into the cache and checked against the archive's own digest.
# shellcheck source=wine.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine.sh"

# keystead_startup_sources: prints the folder holding crt/ and include/ of mingw-w64-crt.
keystead_startup_sources() {
    local version upstream sha dir tmp url i
    version=$(dpkg-query -W -f='${Version}' mingw-w64-common 2>/dev/null)
    upstream=${version%%-*}
    case $upstream in
    10.0.0) sha=ba6b430aed72c63a3768531f6a3ffc2b0fde2c57a3b251450dcf489a894f0894 ;;
    *)
        echo "keystead: no start-up sources known for mingw-w64 '$upstream'" >&2
        return 1
        ;;
    esac
    dir="$(keystead_cache_dir)/mingw-w64-crt-$upstream"
    if [ ! -f "$dir/crt/crtexe.c" ]; then
        url="http://deb.debian.org/debian/pool/main/m/mingw-w64/mingw-w64_${upstream}.orig.tar.bz2"
        tmp=$(mktemp -d)
        for i in 1 2 3; do
            curl -fsSL -o "$tmp/src.tar.bz2" "$url" && break
            sleep 3
        done
        if ! echo "$sha  $tmp/src.tar.bz2" | sha256sum -c --quiet >/dev/null 2>&1; then
            echo "keystead: could not fetch $url intact" >&2
            rm -rf "$tmp"
            return 1
        fi
        tar xjf "$tmp/src.tar.bz2" -C "$tmp" "mingw-w64-v$upstream/mingw-w64-crt/crt" \
            "mingw-w64-v$upstream/mingw-w64-crt/include"
        mkdir -p "$dir.part"
        cp -r "$tmp/mingw-w64-v$upstream/mingw-w64-crt/crt" \
            "$tmp/mingw-w64-v$upstream/mingw-w64-crt/include" "$dir.part/"
        rm -rf "$tmp" "$dir"
        mv "$dir.part" "$dir"
    fi
    echo "$dir"
}
