"""Throw-away TLS certificates for the demo sites and the network tests.

make_cert(folder, kind) writes folder/KIND.pem and folder/KIND.key with
openssl and returns their paths. The authority folder/ca.pem (made on first
use) signs "good" (for 127.0.0.1 and localhost) and "wronghost" (for another
name); "self" signs itself. Trust ca.pem through QUENNIT_CA_FILE.
"""
import os
import subprocess

SUBJECTS = {
    "good": "IP:127.0.0.1,DNS:localhost",
    "wronghost": "DNS:wrong-host.invalid",
    "self": "IP:127.0.0.1,DNS:localhost",
}


def _openssl(*args):
    subprocess.run(("openssl",) + args, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def _new_key(path):
    _openssl("genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256", "-out", path)


def make_cert(folder, kind):
    ca, ca_key = os.path.join(folder, "ca.pem"), os.path.join(folder, "ca.key")
    if not os.path.exists(ca):
        _new_key(ca_key)
        _openssl("req", "-x509", "-key", ca_key, "-out", ca, "-days", "7",
                 "-subj", "/CN=Quennit throw-away CA",
                 "-addext", "basicConstraints=critical,CA:TRUE",
                 "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    cert, key = os.path.join(folder, kind + ".pem"), os.path.join(folder, kind + ".key")
    _new_key(key)
    names = ["-subj", "/CN=Quennit " + kind, "-addext", "subjectAltName=" + SUBJECTS[kind]]
    if kind == "self":
        _openssl("req", "-x509", "-key", key, "-out", cert, "-days", "7", *names)
    else:
        csr = os.path.join(folder, kind + ".csr")
        _openssl("req", "-new", "-key", key, "-out", csr, *names)
        _openssl("x509", "-req", "-in", csr, "-CA", ca, "-CAkey", ca_key, "-CAcreateserial",
                 "-out", cert, "-days", "7", "-copy_extensions", "copyall")
    return cert, key
