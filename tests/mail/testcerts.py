#!/usr/bin/python3
"""Makes the certificates the mail tests need, with the openssl tool:

  ca.pem / ca.key                   a test CA (tests hand ca.pem to the client)
  server.pem / server.key           localhost, 127.0.0.1 and ::1, signed by the CA
  selfsigned.pem / selfsigned.key   same names, signed by nobody the client trusts
  expired.pem / expired.key         signed by the CA, valid only in January 2020
  wronghost.pem / wronghost.key     signed by the CA for wrong.example only

Usage: testcerts.py DIR   (prints nothing on success; exit status 1 and the
openssl output on stderr otherwise)
"""

import os
import subprocess
import sys

GOOD_NAMES = "subjectAltName=DNS:localhost,IP:127.0.0.1,IP:::1"
SERVER_EXT = "basicConstraints=CA:FALSE\nkeyUsage=digitalSignature\nextendedKeyUsage=serverAuth\n"

CA_CONFIG = """[ca]
default_ca = test_ca
[test_ca]
dir = {dir}
database = {dir}/ca-index.txt
new_certs_dir = {dir}/ca-issued
serial = {dir}/ca-serial
certificate = {dir}/ca.pem
private_key = {dir}/ca.key
default_md = sha256
policy = anything
copy_extensions = none
unique_subject = no
[anything]
commonName = supplied
"""


def _openssl(*args, cwd):
    result = subprocess.run(["openssl", *args], cwd=cwd, capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError(f"openssl {' '.join(args)}:\n{result.stderr}")


def _key_and_request(name, cn, cwd):
    _openssl("req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
             "-nodes", "-keyout", f"{name}.key", "-out", f"{name}.csr",
             "-subj", f"/CN={cn}", cwd=cwd)


def _extfile(cwd, name, alt_names):
    path = os.path.join(cwd, f"{name}.ext")
    with open(path, "w") as f:
        f.write(SERVER_EXT + alt_names + "\n")
    return path


def make_certs(directory):
    d = os.path.abspath(directory)
    os.makedirs(os.path.join(d, "ca-issued"), exist_ok=True)
    _openssl("req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
             "-nodes", "-keyout", "ca.key", "-out", "ca.pem", "-days", "3650",
             "-subj", "/CN=Korvane Test CA",
             "-addext", "basicConstraints=critical,CA:TRUE",
             "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=d)

    for name, alt in (("server", GOOD_NAMES), ("wronghost", "subjectAltName=DNS:wrong.example")):
        _key_and_request(name, "localhost" if name == "server" else "wrong.example", d)
        _openssl("x509", "-req", "-in", f"{name}.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                 "-CAcreateserial", "-days", "825", "-sha256",
                 "-extfile", _extfile(d, name, alt), "-out", f"{name}.pem", cwd=d)

    # "x509 -days" cannot reach the past; the ca command takes explicit dates.
    with open(os.path.join(d, "ca.cnf"), "w") as f:
        f.write(CA_CONFIG.format(dir=d))
    open(os.path.join(d, "ca-index.txt"), "w").close()
    with open(os.path.join(d, "ca-serial"), "w") as f:
        f.write("1000\n")
    _key_and_request("expired", "localhost", d)
    _openssl("ca", "-batch", "-config", "ca.cnf", "-notext", "-in", "expired.csr",
             "-startdate", "20200101000000Z", "-enddate", "20200131000000Z",
             "-extfile", _extfile(d, "expired", GOOD_NAMES), "-out", "expired.pem", cwd=d)

    _openssl("req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
             "-nodes", "-keyout", "selfsigned.key", "-out", "selfsigned.pem", "-days", "825",
             "-subj", "/CN=localhost", "-addext", GOOD_NAMES, cwd=d)
    return {name: os.path.join(d, name) for name in (
        "ca.pem", "server.pem", "server.key", "selfsigned.pem", "selfsigned.key",
        "expired.pem", "expired.key", "wronghost.pem", "wronghost.key")}


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    try:
        make_certs(sys.argv[1])
    except RuntimeError as error:
        print(error, file=sys.stderr)
        sys.exit(1)
