#!/usr/bin/env bash
# A release anyone can check: two clones of this commit in two folders,
# packed a few seconds apart, give the same zips; SHA256SUMS passes, and
# fails once a byte of a zip changes; a certificate made here signs the
# executables, which the shipped lister then reports as signed by it and
# which still run; --version names the version resource's number.
set -uo pipefail
source "$(dirname "$0")/../scripts/wine-env.sh"
# The caller's build, prefix and display when run by the suite; else the 64-bit one.
[ -n "${WINELOADER:-}" ] || use_arch x64
root=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel) || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

for clone in one two; do
    git clone -q "$root" "$work/$clone" || fail "no clone"
    (cd "$work/$clone" && scripts/package >"$work/$clone.log" 2>&1) || fail "scripts/package: $(tail -5 "$work/$clone.log")"
    sleep 2
done
cd "$work/one/build" || exit 1
for zip in *.zip; do
    cmp -s "$zip" "../../two/build/$zip" || fail "$zip differs between two builds of one commit"
done
cmp -s SHA256SUMS ../../two/build/SHA256SUMS || fail "the sums differ"
for zip in *.zip; do unzip -q -o "$zip"; done
sha256sum -c --quiet SHA256SUMS || fail "sha256sum -c failed on the release itself"
zip=$(ls *-x64.zip)
printf '\x5a' | dd of="$zip" bs=1 seek=200 conv=notrunc status=none
sha256sum -c --quiet SHA256SUMS >/dev/null 2>&1 && fail "sha256sum -c passed a changed zip"

# Signed with a test certificate: the lister itself says by whom.
cd "$work" || exit 1
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 30 \
    -subj "/CN=Tarnwick Release Test" >/dev/null 2>&1 || fail "no test certificate"
openssl pkcs12 -export -inkey key.pem -in cert.pem -out test.pfx -passout pass:secret || fail "no .pfx"
(cd one && TARNWICK_SIGN_PASSWORD=secret scripts/package --sign "$work/test.pfx" >"$work/sign.log" 2>&1) ||
    fail "scripts/package --sign: $(tail -5 "$work/sign.log")"
grep -q "stop verifying when the certificate expires" sign.log || fail "no word of the missing time stamp"
cd one/build || exit 1
for zip in *.zip; do unzip -q -o "$zip" || fail "the signed $zip"; done
sha256sum -c --quiet SHA256SUMS || fail "the sums are not of the signed files: $(sha256sum -c SHA256SUMS 2>&1 | tr "\n" " ")"
cd "$(ls -d *-x64/)" || exit 1
"$WINELOADER" TarnwickOrrimel.exe >/dev/null 2>&1 &
program=$!
sleep 6
listed=$("$WINELOADER" orrimel.exe --details --csv TarnwickOrrimel </dev/null | tr -d '\r')
kill "$program" 2>/dev/null
wait "$program" 2>/dev/null
grep -q '\\TarnwickOrrimel.exe,,.*,Tarnwick Release Test,signed$' <<<"$listed" ||
    fail "the running signed program is not listed as signed by the test certificate: $(head -3 <<<"$listed")"
resource=$(strings -el TarnwickOrrimel.exe | grep -A1 -x ProductVersion | tail -1)
said=$("$WINELOADER" orrimel.exe --version </dev/null | tr -d '\r')
[[ "$said" == "orrimel $resource (Tarnwick Orrimel), 64-bit, commit "* ]] ||
    fail "--version says '$said', the version resource $resource"
echo "PASS: the same bytes from two clones, sums that catch a changed byte, signed executables that run"
