#!/bin/bash
# Makes, from an unsigned DLL, the signed test DLLs: signed_module.dll, signed
# with a test certificate (made here, to a root no store holds) whose name is
# "Tarnwick Test Signer", and changed_module.dll, the same with one byte of
# its DOS stub changed after signing, which the signature's hash covers.
#   sign-modules.sh <unsigned.dll> <output folder>
set -euo pipefail
in=$1
out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Tarnwick Test Signer" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -n "Tarnwick test module" -h sha256 \
    -in "$in" -out "$work/signed.dll" >/dev/null
cp "$work/signed.dll" "$out/signed_module.dll"
cp "$work/signed.dll" "$work/changed.dll"
# "This program cannot be run in DOS mode": its first letter made lower-case.
printf 't' | dd of="$work/changed.dll" bs=1 seek=78 conv=notrunc 2>/dev/null
cmp -s "$work/signed.dll" "$work/changed.dll" && { echo "sign-modules: the byte did not change" >&2; exit 1; }
cp "$work/changed.dll" "$out/changed_module.dll"
