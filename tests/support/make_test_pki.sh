#!/usr/bin/env bash
# Makes a throw-away PKI for the TLS tests in DIR with the openssl command:
#   ca.pem                  the test CA (to be trusted by the test alone)
#   server.pem              for localhost and 127.0.0.1, from the CA
#   wrongname.pem           for wrong-name.invalid only, from the CA
#   expired.pem             for localhost and 127.0.0.1, from the CA, expired in 2021
#   untrusted.pem           for localhost and 127.0.0.1, from another CA nobody trusts
#   selfsigned.pem          for localhost and 127.0.0.1, signed by itself
# Every certificate uses key.pem. Idempotent: an existing complete DIR is kept.
set -euo pipefail
dir=$1
[ -f "$dir/done" ] && exit 0
mkdir -p "$dir"
cd "$dir"
q() { "$@" >/dev/null 2>&1 || { echo "make_test_pki: failed: $*" >&2; "$@"; exit 1; }; }

q openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 3650 -subj "/CN=Talvoria Test CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
q openssl req -x509 -newkey rsa:2048 -nodes -keyout other.key -out other.pem -days 3650 -subj "/CN=Talvoria Other CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
q openssl genrsa -out key.pem 2048

good_names="subjectAltName=DNS:localhost,IP:127.0.0.1"
leaf_ext() {
  printf '%s\nbasicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n' "$1"
}
leaf_ext "$good_names" > good.ext
leaf_ext "subjectAltName=DNS:wrong-name.invalid" > wrong.ext

q openssl req -new -key key.pem -subj "/CN=localhost" -out leaf.csr
q openssl req -new -key key.pem -subj "/CN=wrong-name.invalid" -out wrong.csr
q openssl x509 -req -in leaf.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 825 -extfile good.ext -out server.pem
q openssl x509 -req -in wrong.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 825 -extfile wrong.ext -out wrongname.pem
q openssl x509 -req -in leaf.csr -CA other.pem -CAkey other.key -CAcreateserial -days 825 -extfile good.ext \
  -out untrusted.pem
q openssl req -x509 -key key.pem -subj "/CN=localhost" -days 825 -out selfsigned.pem -addext "$good_names" \
  -addext "extendedKeyUsage=serverAuth"

# openssl x509 cannot back-date; the ca command can, with its small database.
mkdir -p ca-db
: > ca-db/index.txt
echo 1000 > ca-db/serial
cat > ca-db/ca.cnf <<CNF
[ca]
default_ca = test
[test]
database = ca-db/index.txt
serial = ca-db/serial
new_certs_dir = ca-db
default_md = sha256
policy = any
copy_extensions = none
[any]
commonName = supplied
CNF
q openssl ca -batch -config ca-db/ca.cnf -cert ca.pem -keyfile ca.key -in leaf.csr -out expired.pem \
  -startdate 20200101000000Z -enddate 20210101000000Z -extfile good.ext -notext
touch done
