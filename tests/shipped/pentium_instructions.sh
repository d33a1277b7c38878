#!/usr/bin/env bash
# Counts, in the disassembly of each file given, the instructions a Pentium (P5) lacks: CMOV,
# FCMOV, FCOMI/FUCOMI, and every MMX or SSE instruction (those on MM or XMM registers, and the
# SSE ones without: prefetches, fences, MXCSR, non-temporal stores). Windows 95 to XP run on a
# Pentium, which ends the program at the first of them. Prints a line a file and each place
# found; exits 1 when any file holds one.
set -uo pipefail
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
pattern='\s(cmov[a-z]+|fcmov[a-z]+|fu?comip?|prefetch[a-z0-9]*|[lsm]fence|clflush|movnti|[ls]dmxcsr|emms|fxsave|fxrstor)\s|%x?mm[0-7]'
status=0
for file in "$@"; do
    if [ ! -f "$file" ]; then
        echo "$file: missing"
        status=1
        continue
    fi
    found=$("$objdump" -d "$file" | grep -E "$pattern")
    count=$(printf '%s' "$found" | grep -c .)
    echo "$(basename "$(dirname "$file")")/$(basename "$file"): $count beyond the Pentium"
    if [ "$count" -gt 0 ]; then
        printf '%s\n' "$found" | head -20
        status=1
    fi
done
exit $status
