#!/usr/bin/python3
"""Checks the test SMTP server itself with smtplib, mode by mode, so a
failing component test can be trusted to point at the component.
Run: /usr/bin/python3 tests/mail/selftest_server.py"""

import base64
import hashlib
import shutil
import json
import os
import smtplib
import socket
import ssl
import subprocess
import sys
import tempfile
import time
from email.message import EmailMessage

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from testcerts import make_certs  # noqa: E402

WORK = tempfile.mkdtemp(prefix="smtp-selftest-")
CERTS = make_certs(os.path.join(WORK, "certs"))
PASSWORD = "s3cret-Passw0rd!"
BLOB = bytes(range(256)) * 4


class Server:
    def __init__(self, *args):
        self.out = tempfile.mkdtemp(dir=WORK)
        self.proc = subprocess.Popen([sys.executable, os.path.join(HERE, "smtp_server.py"),
                                      "--out", self.out, *args],
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.port = int(self.proc.stdout.readline())

    def stop(self):
        self.proc.stdin.close()
        self.proc.wait(5)
        assert self.proc.stdout.read() == b"", "stdout carried more than the port"

    def state(self):
        with open(os.path.join(self.out, "state.json")) as f:
            return json.load(f)

    def log(self):
        with open(os.path.join(self.out, "session.log")) as f:
            return f.read()

    def wait_for_log(self, text, seconds):
        # The server is another process and says what it did only in its log
        # file, so the file is looked at until the line is there.
        deadline = time.monotonic() + seconds
        while text not in self.log() and time.monotonic() < deadline:
            time.sleep(0.02)
        return text in self.log()

    def messages(self, wait_for=0):
        deadline = time.monotonic() + 5
        while True:
            names = sorted(n for n in os.listdir(self.out) if n.startswith("msg-") and n.endswith(".json"))
            if len(names) >= wait_for or time.monotonic() > deadline:
                break
            time.sleep(0.02)
        result = []
        for n in names:
            with open(os.path.join(self.out, n)) as f:
                result.append(json.load(f))
        return result


def sample():
    m = EmailMessage()
    m["From"] = "Zoë <zoe@example.org>"
    m["To"] = '"Rossi, Mario" <m.rossi@example.it>, Anna <anna@example.org>'
    m["Subject"] = "Perché è così?"
    m.set_content("Ciao\n.\n" + "x" * 2000 + "\n")
    m.add_attachment(BLOB, maintype="application", subtype="octet-stream", filename="dati è.bin")
    return m


def client_context():
    return ssl.create_default_context(cafile=CERTS["ca.pem"])


def send(port, *, starttls=False, implicit=False, login=None, mech=None, rcpts=None):
    cls = smtplib.SMTP_SSL if implicit else smtplib.SMTP
    kwargs = {"context": client_context()} if implicit else {}
    with cls("localhost", port, timeout=5, **kwargs) as s:
        if starttls:
            s.starttls(context=client_context())
        if login:
            s.ehlo()
            if mech:
                s.user, s.password = login
                s.auth(mech, getattr(s, "auth_" + mech.lower()), initial_response_ok=False)
            else:
                s.login(*login)
        return s.send_message(sample(), from_addr="zoe@example.org",
                       to_addrs=rcpts or ["m.rossi@example.it", "anna@example.org", "hidden@example.net"])


def check_message(msg):
    assert msg["defects"] == [], msg["defects"]
    assert msg["headers"]["subject"] == ["Perché è così?"], msg["headers"]["subject"]
    assert msg["addresses"]["to"][0] == {"display_name": "Rossi, Mario", "addr_spec": "m.rossi@example.it"}
    assert msg["body"] == "Ciao\n.\n" + "x" * 2000 + "\n", repr(msg["body"][:40])
    att = msg["attachments"][0]
    assert att["filename"] == "dati è.bin" and att["length"] == len(BLOB)
    assert att["sha256"] == hashlib.sha256(BLOB).hexdigest()
    assert not msg["bare_lf"] and msg["max_line_length"] <= 998
    raw = base64.b64decode(msg["raw_b64"])
    assert len(raw) == msg["raw_size"] and b"\r\n..\r\n" not in raw


def expect_fault(fn, exc_types, text=None):
    try:
        fn()
    except exc_types as error:
        assert text is None or text in str(error), f"{text!r} not in {error!r}"
        return error
    raise AssertionError(f"no {exc_types} raised")


def case(name, args, body):
    server = Server(*args)
    try:
        body(server)
    finally:
        server.stop()
    print(f"ok  {name}")


def run():
    cert = [CERTS["server.pem"], CERTS["server.key"]]
    auth = ["--auth", "alice:" + PASSWORD]

    def plain(s):
        send(s.port)
        (m,) = s.messages(1)
        check_message(m)
        assert m["rcpt_tos"] == ["m.rossi@example.it", "anna@example.org", "hidden@example.net"]
        assert m["mail_from"] == "zoe@example.org" and not m["tls"] and m["accepted"]
        assert "STARTTLS" not in s.log() and "AUTH" not in s.log()
    case("plain", [], plain)

    for mech in ("PLAIN", "LOGIN"):
        def tls_auth(s, mech=mech):
            send(s.port, starttls=True, login=("alice", PASSWORD), mech=mech)
            (m,) = s.messages(1)
            check_message(m)
            assert m["tls"] and m["auth_login"] == "alice"
            log = s.log()
            assert f"C AUTH {mech}" in log and PASSWORD not in log, log
            st = s.state()
            assert st["auth_seen"] and st["password_seen"], st
            assert log.index("S 250-STARTTLS") < log.index("starttls done") < log.index("250-AUTH")
        case(f"starttls + auth {mech}", ["--starttls", *cert, *auth], tls_auth)

    def only_login(s):
        s.port and send(s.port, starttls=True, login=("alice", PASSWORD))
        assert "C AUTH LOGIN" in s.log() and "C AUTH PLAIN" not in s.log()
    case("only LOGIN advertised", ["--starttls", *cert, *auth, "--auth-mechs", "LOGIN"], only_login)

    def wrong_password(s):
        expect_fault(lambda: send(s.port, starttls=True, login=("alice", "nope")),
                     smtplib.SMTPAuthenticationError, "535")
        assert not s.state()["password_seen"]
    case("535 on a wrong password", ["--starttls", *cert, *auth], wrong_password)

    def echo_inline(s):
        error = expect_fault(lambda: send(s.port, starttls=True, login=("alice", "nope"), mech="PLAIN"),
                             smtplib.SMTPAuthenticationError, "535")
        payload = base64.b64encode(b"\0alice\0nope").decode()
        text = error.smtp_error.decode()
        assert f" {payload} nope ({payload.rstrip('=')})" in text, text
    case("--echo-auth inline quotes what AUTH carried",
         ["--starttls", *cert, *auth, "--echo-auth", "inline"], echo_inline)

    def echo_split_cram(s):
        send(s.port, starttls=True, login=("alice", PASSWORD))
        log = s.log()
        assert "C AUTH CRAM-MD5" in log and "auth CRAM-MD5 ok" in log and "S 235-" in log, log
        assert "S 235 2.7.0 accesso riuscito per alice" in log, log
    case("CRAM-MD5, --echo-auth split over lines",
         ["--starttls", *cert, *auth, "--auth-mechs", "CRAM-MD5", "--echo-auth", "split"], echo_split_cram)

    def implicit(s):
        send(s.port, implicit=True, login=("alice", PASSWORD))
        (m,) = s.messages(1)
        assert m["tls"] and m["auth_login"] == "alice"
    case("implicit TLS + auth", ["--implicit-tls", *cert, *auth], implicit)

    def clear_auth_seen(s):
        with smtplib.SMTP("127.0.0.1", s.port, timeout=5) as c:
            c.ehlo()
            assert c.has_extn("auth") and not c.has_extn("starttls")
            c.login("alice", PASSWORD)
        st = s.state()
        assert st["auth_seen"] and st["password_seen"], st
    case("AUTH in clear is offered and caught", [*auth], clear_auth_seen)

    def no_auth_offered(s):
        with smtplib.SMTP("127.0.0.1", s.port, timeout=5) as c:
            c.ehlo()
            assert not c.has_extn("auth") and c.has_extn("starttls")
            c.starttls(context=client_context())
            c.ehlo()
            assert not c.has_extn("auth")
        assert not s.state()["auth_seen"]
    case("no AUTH without --auth", ["--starttls", *cert], no_auth_offered)

    def refuse(s):
        refused = send(s.port, rcpts=["anna@example.org", "bad@example.org"])
        code, text = refused["bad@example.org"]
        assert code == 550 and b"bad@example.org" in text and b"User unknown" in text
    case("550 refused recipient", ["--refuse-rcpt", "BAD@example.org"], refuse)

    def greeting_421(s):
        expect_fault(lambda: send(s.port), smtplib.SMTPConnectError, "421")
    case("421 greeting", ["--greeting-421"], greeting_421)

    def no_greeting(s):
        expect_fault(lambda: smtplib.SMTP("127.0.0.1", s.port, timeout=0.5),
                     smtplib.SMTPServerDisconnected, "timed out")
        assert s.state()["connections"] == 1
    case("no greeting", ["--no-greeting"], no_greeting)

    for code in ("451", "552", "554"):
        def data_reply(s, code=code):
            expect_fault(lambda: send(s.port), smtplib.SMTPDataError, "korvane-test")
            (m,) = s.messages(1)
            assert not m["accepted"] and m["reply"].startswith(code)
        case(f"{code} after DATA", ["--data-reply", code], data_reply)

    def drop(s):
        expect_fault(lambda: send(s.port), (smtplib.SMTPServerDisconnected, ConnectionError))
        assert s.messages() == [] and "dropping in DATA" in s.log()
    case("dropped in DATA", ["--drop-in-data"], drop)

    def stall(s):
        def go():
            with smtplib.SMTP("127.0.0.1", s.port, timeout=1) as c:
                c.sendmail("a@example.org", ["b@example.org"], b"Subject: x\r\n\r\n" + b"y" * 76 + b"\r\n" * 200_000)
        expect_fault(go, smtplib.SMTPServerDisconnected)
        st = s.state()
        assert st["data_started"] == 1 and st["messages"] == 0 and "stalling in DATA" in s.log()
    case("stalled in DATA", ["--stall-in-data"], stall)

    def pause(s):
        with smtplib.SMTP("127.0.0.1", s.port, timeout=10) as c:
            c.ehlo()
            c.mail("a@example.org")
            c.rcpt("b@example.org")
            c.putcmd("data")
            assert c.getreply()[0] == 354
            c.sock.sendall(b"Subject: x\r\n\r\n" + (b"y" * 76 + b"\r\n") * 2000 + b".\r\n")
            assert s.wait_for_log("pausing in DATA", 10) and s.messages() == []
            s.proc.stdin.write(b"resume\n")
            s.proc.stdin.flush()
            assert c.getreply()[0] == 250
        (m,) = s.messages(1)
        assert m["accepted"] and "resuming DATA" in s.log()
    case("paused in DATA until resumed", ["--pause-in-data", "--fault-after", "1000"], pause)

    for mode in (["--slow-data", "1000000"], ["--stall-in-data", "--fault-after", "100000"]):
        def abandoned(s, mode=mode):
            c = smtplib.SMTP("127.0.0.1", s.port, timeout=5)
            c.ehlo()
            c.mail("a@example.org")
            c.rcpt("b@example.org")
            c.putcmd("data")
            assert c.getreply()[0] == 354
            c.sock.settimeout(1)
            line = b"z" * 76 + b"\r\n"
            until = time.monotonic() + 1
            try:
                while time.monotonic() < until:
                    c.sock.sendall(line * 10)
            except (socket.timeout, TimeoutError):
                pass
            c.sock.close()
            c.file and c.file.close()  # makefile() keeps the descriptor open
            started = time.monotonic()
            seen = s.wait_for_log("* closed", 20)
            print("   ", mode[0], "server saw the close" if seen else "server did not see the close",
                  f"after {time.monotonic() - started:.1f}s")
            assert s.messages() == [] and "end of DATA" not in s.log()
        case(f"client gone mid-DATA {mode[0]}", mode, abandoned)

    for verb, lines in (("EHLO", 150), ("RCPT", 300)):
        def long_reply(s, verb=verb, lines=lines):
            with smtplib.SMTP("127.0.0.1", s.port, timeout=5) as c:
                code, text = c.ehlo()
                if verb == "RCPT":
                    c.mail("a@example.org")
                    code, text = c.rcpt("b@example.org")
                assert code == 250 and len(text.splitlines()) == lines, (code, len(text.splitlines()))
        case(f"{verb} answered in {lines} lines", ["--long-reply", verb, str(lines)], long_reply)

    for how in ("silent", "filtered"):
        def turns(s):
            send(s.port)
            s.messages(1)
            expect_fault(lambda: smtplib.SMTP("127.0.0.1", s.port, timeout=0.5),
                         (smtplib.SMTPServerDisconnected, TimeoutError), "timed out")
        case(f"turns {how} after a message", ["--turn-after-message", how], turns)

    def untrusted(s):
        expect_fault(lambda: send(s.port, starttls=True), ssl.SSLCertVerificationError)
    case("self-signed certificate refused", ["--starttls", CERTS["selfsigned.pem"], CERTS["selfsigned.key"]], untrusted)
    case("expired certificate refused", ["--starttls", CERTS["expired.pem"], CERTS["expired.key"]], untrusted)
    case("wrong-host certificate refused", ["--starttls", CERTS["wronghost.pem"], CERTS["wronghost.key"]], untrusted)

    def sigterm(s):
        s.proc.terminate()
        s.proc.wait(5)
        s.proc = subprocess.Popen(["true"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    case("SIGTERM ends the server", [], sigterm)


if __name__ == "__main__":
    try:
        run()
    finally:
        shutil.rmtree(WORK, ignore_errors=True)
    print("all server modes behave")
