#!/usr/bin/env bash
# verify_signatures.sh ROOT.pem PACKAGE [FOREIGN...]: every file of a package made with
# scripts/package --sign passes osslsigncode's Authenticode verification against ROOT: Kestrun,
# both setups, and what the setups carry (both Keystead builds, the provider, the setups' plug-in
# and the uninstaller NSIS wrote), read back with 7-Zip. Files identical to a FOREIGN one (the
# token vendor's library, NSIS's own plug-ins) are others' to sign and are only named. A copy of a signed
# file with a byte changed after signing must be refused.
set -uo pipefail
root=$1 package=$2
shift 2
foreign=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
verify() {
    if out=$(osslsigncode verify -CAfile "$root" -in "$1" 2>&1); then
        printf '%-48s signed, verified (%s bytes)\n' "${1#"$work"/}" "$(stat -c %s "$1")"
    else
        printf '%s: not verified\n%s\n' "$1" "$out"
        status=1
    fi
}
files=("$package/Kestrun.exe" "$package/setup/ZQTM_USBKEY_Setup.exe" "$package/win98/Setup.exe")
for setup in setup/ZQTM_USBKEY_Setup.exe win98/Setup.exe; do
    # Files of one name (both Keystead builds, the libraries' temporary names) are all kept.
    7z x -y -aou -bd -o"$work/${setup%%/*}" "$package/$setup" >/dev/null
done
# Every Windows program or library among them (the setups name some by their temporary names).
while IFS= read -r -d '' file; do
    [ "$(head -c 2 "$file")" = MZ ] && files+=("$file")
done < <(find "$work" -type f -print0)
ours=0
for file in "${files[@]}"; do
    for other in "${foreign[@]}"; do
        if cmp -s "$file" "$other"; then
            printf '%-48s not ours: %s\n' "${file#"$work"/}" "$other"
            continue 2
        fi
    done
    verify "$file"
    ours=$((ours + 1))
done
# Kestrun, two setups, and in each setup two Keystead builds, the provider and the uninstaller.
[ "$ours" -ge 11 ] || { echo "only $ours files of ours to verify"; status=1; }

changed="$work/changed.exe"
cp "$package/Kestrun.exe" "$changed"
printf '\x90' | dd of="$changed" bs=1 seek=1100 conv=notrunc status=none
if osslsigncode verify -CAfile "$root" -in "$changed" >/dev/null 2>&1; then
    echo "a file changed after signing passed verification"
    status=1
else
    echo "a file changed after signing is refused"
fi
exit $status
