#!/usr/bin/env bash
# A prefix whose making hangs is made again, and nothing its tries started is
# left running: in a prefix of its own, whose first try hangs once the
# prefix's services are up, the process table holds none of the prefix's
# processes before, and none once the script's stop_wine has run.
set -uo pipefail
source "$(dirname "$0")/../scripts/wine-env.sh"
use_arch x64
work=$(mktemp -d)
export WINEPREFIX=$work/prefix PREFIX_TRY_SECONDS=60
trap 'stop_wine; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cat >"$work/hanging-wine" <<HANG
#!/bin/bash
[ "\$1" = wineboot ] && [ ! -e "$work/hung" ] && touch "$work/hung" && { "$WINE" "\$@"; exec sleep 600; }
exec "$WINE" "\$@"
HANG
chmod +x "$work/hanging-wine"
WINE=$work/hanging-wine

[ -z "$(prefix_pids)" ] || fail "processes of the prefix before it was made: $(prefix_pids | tr '\n' ' ')"
prepare_prefix >"$work/log" || fail "the prefix was not made: $(cat "$work/log")"
cat "$work/log"
grep -q '(try 2)' "$work/log" || fail "no second try"
[ -n "$(prefix_pids)" ] || fail "nothing runs in the prepared prefix, so the check below proves nothing"
stop_wine
sleep 1
left=$(prefix_pids)
[ -z "$left" ] || fail "left running: $(for p in $left; do tr '\0' ' ' <"/proc/$p/cmdline"; echo; done)"
echo "PASS: made again after a hang, nothing left running"
