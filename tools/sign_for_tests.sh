#!/usr/bin/env bash
# Keys and signatures of signed releases for the tests that run under Wine, where the launcher
# only checks signatures: openssl on the Linux side, in the launcher's formats (a P-256 public
# point and an r || s signature over SHA-256, both in hexadecimal). Each result is written to
# OUT whole or not at all.
#
# usage: sign_for_tests.sh key KEYFILE OUT        a new private key (PEM) and its public point
#        sign_for_tests.sh sign KEYFILE FILE OUT  the signature of FILE's bytes
set -euo pipefail

# The INTEGERs of DER on stdin, each as 64 hexadecimal digits.
integers_as_fields() {
  openssl asn1parse -inform DER | awk -F: '/INTEGER/ { printf "%64s", $NF }' | tr ' A-F' '0a-f'
}

case "${1:-}" in
  key)
    openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$2" 2>/dev/null
    openssl pkey -in "$2" -pubout -outform DER | tail -c 65 | od -An -v -tx1 | tr -d ' \n' >"$3.part"
    mv "$3.part" "$3"
    ;;
  sign)
    openssl dgst -sha256 -sign "$2" "$3" | integers_as_fields >"$4.part"
    mv "$4.part" "$4"
    ;;
  *)
    echo "usage: $0 key KEYFILE OUT | sign KEYFILE FILE OUT" >&2
    exit 2
    ;;
esac
