#!/bin/sh
# Signs a test program as a publisher would, for the signature checks of the end-to-end scenarios. Makes two
# code-signing certificates with their keys in the build folder (never committed), and writes beside the
# program: signed_<name> (by "Velmora Test Publisher"), other_signed_<name> (by "Velmora Other Publisher"),
# tampered_<name> (signed, then one byte of its DOS stub changed: the program still runs, the signature is
# broken), and each certificate's SHA-1 and SHA-256 thumbprints as test_publisher.sha1, .sha256 and
# other_publisher.sha1. Usage: sign-test-files.sh OPENSSL OSSLSIGNCODE PROGRAM WORK_FOLDER
set -eu
openssl=$1 osslsigncode=$2 program=$3 work=$4
out=$(dirname "$program")
name=$(basename "$program")
mkdir -p "$work"

thumbprint() {
    "$openssl" x509 -in "$1" -noout -fingerprint "-$2" | cut -d= -f2 | tr -d ':\n' | tr 'A-F' 'a-f'
}

for who in test other; do
    subject="Velmora $(echo "$who" | sed 's/^./\U&/') Publisher"
    "$openssl" req -x509 -newkey rsa:2048 -nodes -keyout "$work/$who.key" -out "$work/$who.pem" -days 3650 \
        -subj "/CN=$subject" -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=digitalSignature" \
        2>/dev/null
    thumbprint "$work/$who.pem" sha1 >"$out/${who}_publisher.sha1"
    thumbprint "$work/$who.pem" sha256 >"$out/${who}_publisher.sha256"
done

sign() {
    rm -f "$3"
    "$osslsigncode" sign -certs "$work/$1.pem" -key "$work/$1.key" -in "$2" -out "$3" >/dev/null
}
sign test "$program" "$out/signed_$name"
sign other "$program" "$out/other_signed_$name"
sign test "$program" "$work/tampered"
# "This program cannot be run in DOS mode": Windows never runs the stub, the signature covers it.
offset=$(grep -obUa "This program" "$work/tampered" | head -n 1 | cut -d: -f1)
printf 't' | dd of="$work/tampered" bs=1 seek="$offset" conv=notrunc 2>/dev/null
mv "$work/tampered" "$out/tampered_$name"
