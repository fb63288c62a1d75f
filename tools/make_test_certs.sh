#!/usr/bin/env bash
# Makes a test certificate authority and server certificates with openssl, for the https tests,
# the https benchmark and the https demo. Nothing here is trusted by the system: a client
# trusts ca.pem only when told to (LAUNCHER_EXTRA_CA_FILE on Linux, the Wine prefix's root
# store on Windows).
#
# usage: make_test_certs.sh OUTDIR
#
# OUTDIR/ca.pem, ca.key            the test authority
# OUTDIR/<kind>.pem, <kind>.key    a server certificate and its key, where kind is
#   good               for 127.0.0.1 and localhost, issued by the test authority
#   wrong-host         for wrong-host.invalid only, issued by the test authority
#   expired            for 127.0.0.1 and localhost, valid only in January 2020
#   unknown-authority  for 127.0.0.1 and localhost, issued by an authority nobody trusts
#   self-signed        for 127.0.0.1 and localhost, issued by itself
# and, issued by the test authority, certificates whose names test the identity checks:
#   ip-8, ip-10        for the address 127.0.0.8, 127.0.0.10
#   ip-as-name         for the DNS name "127.0.0.1" (no address)
#   partial-wildcard   for the DNS names "local*" and "*host"
#   bare-wildcard      for the DNS name "*"
#   ip-wildcard        for the DNS name "*.0.0.1"
#   nested-wildcard    for the DNS name "*.*.0.1"
set -euo pipefail
out="${1:?usage: make_test_certs.sh OUTDIR}"
mkdir -p "$out"
cd "$out"
work="$(mktemp -d "$out/.work.XXXXXX")"
trap 'rm -rf "$work"' EXIT

cat >"$work/openssl.cnf" <<'EOF'
[req]
distinguished_name = dn
prompt = no
[dn]
CN = unused
[authority]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[server]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
subjectAltName = $ENV::SERVER_NAMES
[ca]
default_ca = issuer
[issuer]
database = $ENV::CA_WORK/index.txt
new_certs_dir = $ENV::CA_WORK
serial = $ENV::CA_WORK/serial
default_md = sha256
policy = anything
copy_extensions = none
[anything]
commonName = supplied
EOF
export OPENSSL_CONF="$work/openssl.cnf" CA_WORK="$work" SERVER_NAMES="IP:127.0.0.1, DNS:localhost"

new_key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1" 2>/dev/null; }

# authority <name> <common name>: a self-signed authority valid for ten years. Its key is RSA:
# Wine's certificate check refuses an ECDSA signature whose r or s is shorter than the curve
# (about one signature in 128; real Windows accepts them), so certificates signed with an EC
# key would fail the tests under Wine at random.
authority() {
  openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$1.key" 2>/dev/null
  openssl req -new -x509 -key "$1.key" -subj "/CN=$2" -days 3650 -sha256 \
    -extensions authority -out "$1.pem"
}

# server <name> <issuer> <common name> [start end]: a server certificate signed by issuer; with
# start and end (YYYYMMDDHHMMSSZ) valid only between them.
server() {
  local name="$1" issuer="$2" cn="$3"
  new_key "$name.key"
  openssl req -new -key "$name.key" -subj "/CN=$cn" -out "$work/$name.csr"
  : >"$work/index.txt"
  printf '%s\n' "$(openssl rand -hex 8)" >"$work/serial"
  local dates=(-days 825)
  [ $# -ge 5 ] && dates=(-startdate "$4" -enddate "$5")
  openssl ca -batch -notext -cert "$issuer.pem" -keyfile "$issuer.key" -extensions server \
    "${dates[@]}" -in "$work/$name.csr" -out "$name.pem" 2>/dev/null
}

authority ca "Launcher Test Authority"
authority "$work/other" "Authority Nobody Trusts"
server good ca 127.0.0.1
SERVER_NAMES="DNS:wrong-host.invalid" server wrong-host ca wrong-host.invalid
server expired ca 127.0.0.1 20200101000000Z 20200131000000Z
server unknown-authority "$work/other" 127.0.0.1
SERVER_NAMES="IP:127.0.0.8" server ip-8 ca "identity test"
SERVER_NAMES="IP:127.0.0.10" server ip-10 ca "identity test"
SERVER_NAMES="DNS:127.0.0.1" server ip-as-name ca "identity test"
SERVER_NAMES="DNS:local*, DNS:*host" server partial-wildcard ca "identity test"
SERVER_NAMES="DNS:*" server bare-wildcard ca "identity test"
SERVER_NAMES="DNS:*.0.0.1" server ip-wildcard ca "identity test"
SERVER_NAMES="DNS:*.*.0.1" server nested-wildcard ca "identity test"
new_key self-signed.key
openssl req -new -x509 -key self-signed.key -subj "/CN=127.0.0.1" -days 825 -sha256 \
  -extensions server -out self-signed.pem
chmod 600 ./*.key
