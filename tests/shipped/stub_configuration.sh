#!/usr/bin/env bash
# The configuration the setups' stubs are built with (the header given) against the one the
# installed makensis reports: a stub built otherwise lays out the setup's headers differently
# from the makensis that writes them. Symbols makensis defines for each script are left out.
# Prints the difference; exits 1 when there is one.
set -euo pipefail
per_script='^(__GLOBAL__|NSIS_CHAR_SIZE|NSIS_CPU|NSIS_IX86|NSIS_MAKENSIS64|NSIS_PACKEDVERSION'
per_script+='|NSIS_PTR_SIZE|NSIS_UNICODE|NSIS_UNICODE_MAKENSIS|NSIS_VERSION|NSISDIR'
per_script+='|NSIS_SOURCE_DATE_EPOCH|PREFIX_[A-Z]+)(=|$)'
diff <(makensis -HDRINFO | sed -n 's/^Defined symbols: //p' | tr ',' '\n' |
    grep -Ev "$per_script" | sort) \
    <(sed -n 's/^#define \([A-Z0-9_]*\) *"\{0,1\}\([^"]*\)"\{0,1\}$/\1=\2/p' "$1" |
        sed 's/=$//' | sort)
echo "$(grep -c '^#define' "$1") symbols, as makensis reports them"
