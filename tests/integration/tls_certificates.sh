#!/usr/bin/env bash
# Makes the certificates of the TLS tests in DIR (once; later calls return):
#   ca.crt ca.der         a test certificate authority
#   localhost.crt/.key    for localhost and 127.0.0.1, issued by the test CA
#   other.crt/.key        for another name, issued by the test CA
#   selfsigned.crt/.key   for localhost, signed by itself
#   expired.crt/.key      for localhost, issued by the test CA for a past period
#   hostile.crt/.key      signed by itself, with terminal escapes in its name
# and NAME.sha256 with each certificate's SHA-256 fingerprint (64 hex digits).
set -euo pipefail
dir="$1"
[ -s "$dir/hostile.sha256" ] && exit 0
mkdir -p "$dir"
cd "$dir"
days=3650
new_key() { openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$1.key" 2>/dev/null; }

new_key ca
openssl req -x509 -new -key ca.key -days "$days" -subj "/O=Pell Test/CN=Pell Test CA" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -out ca.crt
openssl x509 -in ca.crt -outform DER -out ca.der

# issue NAME SUBJECT_CN ALT_NAMES
issue() {
    new_key "$1"
    openssl req -new -key "$1.key" -subj "/O=Pell Test/CN=$2" -out "$1.csr"
    printf 'subjectAltName=%s\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' "$3" \
        >"$1.ext"
    openssl x509 -req -in "$1.csr" -CA ca.crt -CAkey ca.key -CAcreateserial -days "$days" \
        -extfile "$1.ext" -out "$1.crt" 2>/dev/null
    rm -f "$1.csr" "$1.ext"
}
issue localhost localhost "DNS:localhost,IP:127.0.0.1"
issue other other.pell.test "DNS:other.pell.test"

new_key selfsigned
openssl req -x509 -new -key selfsigned.key -days "$days" -subj "/O=Pell Home/CN=localhost" \
    -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" -addext "extendedKeyUsage=serverAuth" \
    -out selfsigned.crt

# The test CA's database, for a certificate of a period long past.
mkdir -p ca-db
: >ca-db/index.txt
echo 1000 >ca-db/serial
cat >ca-db/ca.cnf <<'END'
[ca]
default_ca = test
[test]
database = ca-db/index.txt
serial = ca-db/serial
new_certs_dir = ca-db
default_md = sha256
policy = any
unique_subject = no
[any]
organizationName = optional
commonName = supplied
[server]
subjectAltName = DNS:localhost,IP:127.0.0.1
extendedKeyUsage = serverAuth
basicConstraints = CA:FALSE
END
new_key expired
openssl req -new -key expired.key -subj "/O=Pell Test/CN=localhost" -out expired.csr
openssl ca -batch -notext -config ca-db/ca.cnf -cert ca.crt -keyfile ca.key -in expired.csr \
    -startdate 20200101000000Z -enddate 20200201000000Z -extensions server -out expired.crt \
    2>/dev/null
rm -f expired.csr

# A name that would clear a terminal and recolour it if printed raw.
new_key hostile
openssl req -x509 -new -key hostile.key -days "$days" -utf8 \
    -subj "/O=Pell Home/CN=$(printf 'evil\033[2J\033[31mred')" \
    -addext "subjectAltName=DNS:localhost" -out hostile.crt

chmod 644 ./*.key
for name in ca localhost other selfsigned expired hostile; do
    openssl x509 -in "$name.crt" -noout -fingerprint -sha256 | sed 's/.*=//; s/://g' >"$name.sha256.tmp"
    mv "$name.sha256.tmp" "$name.sha256"
done
