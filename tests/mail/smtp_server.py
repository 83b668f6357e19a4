#!/usr/bin/python3
"""Loopback SMTP server the mail tests start, one per test case.

Prints the port it listens on (one line) and nothing else on stdout; exits
when its stdin closes or on SIGTERM. A line "resume" on stdin ends the pause
of --pause-in-data. --refuse-sender ADDR / --refuse-rcpt ADDR refuse that sender / recipient.
--long-reply EHLO|MAIL|RCPT LINES answers that command with a reply of LINES
lines. --turn-after-message silent|filtered: once the first message is in,
the port takes new connections and never greets (silent), or drops them
unanswered as a firewall does (filtered).
Records into --out DIR:
  msg-NNNN.json  each message that reached the final "." (see smtp_capture)
  session.log    "<conn> C <command>", "<conn> S <reply>", "<conn> * <event>";
                 AUTH payloads are replaced by "***"
  state.json     counters and flags: connections, closed, data_started,
                 messages, auth_seen, password_seen

AUTH is advertised only with --auth, and only with the mechanisms of
--auth-mechs (PLAIN, LOGIN, CRAM-MD5). With --echo-auth the reply to AUTH
(235 or 535) quotes what the client sent: its base64 payloads (also without
padding) and what they carry, on one line ("inline") or each piece split in
half over two lines of a multi-line reply ("split"). Where it shows up follows a cautious real server: after
STARTTLS when STARTTLS is offered (before it too with --auth-before-tls),
from the start with --implicit-tls, and in clear text when the server has no
TLS at all, so that a client willing to leak credentials gets the chance and
is caught (auth_seen / password_seen).
"""

import argparse
import asyncio
import logging
import os
import signal
import socket
import ssl
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from aiosmtpd.smtp import AuthResult  # noqa: E402
from smtp_capture import Recorder, envelope_record  # noqa: E402
from smtp_session import RecordingSMTP, SilentServer  # noqa: E402

DATA_REPLIES = {
    "451": "4.3.0 korvane-test: temporary local problem, try later",
    "452": "4.3.1 korvane-test: insufficient system storage",
    "552": "5.3.4 korvane-test: message exceeds storage allocation",
    "554": "5.7.1 korvane-test: message rejected as spam",
}


def parse_args():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--out", required=True)
    p.add_argument("--host", default="127.0.0.1")
    p.add_argument("--starttls", nargs=2, metavar=("CERT", "KEY"))
    p.add_argument("--require-starttls", action="store_true")
    p.add_argument("--no-starttls", action="store_true")
    p.add_argument("--implicit-tls", nargs=2, metavar=("CERT", "KEY"))
    p.add_argument("--auth", metavar="USER:PASS")
    p.add_argument("--auth-mechs", default="PLAIN LOGIN")
    p.add_argument("--auth-before-tls", action="store_true")
    p.add_argument("--echo-auth", choices=("inline", "split"))
    p.add_argument("--refuse-rcpt", action="append", default=[], metavar="ADDR")
    p.add_argument("--refuse-sender", action="append", default=[], metavar="ADDR")
    p.add_argument("--greeting-421", action="store_true")
    p.add_argument("--no-greeting", action="store_true")
    p.add_argument("--greeting-delay", type=int, default=0, metavar="MS")
    p.add_argument("--data-reply", metavar="CODE")
    p.add_argument("--drop-in-data", action="store_true")
    p.add_argument("--stall-in-data", action="store_true")
    p.add_argument("--pause-in-data", action="store_true",
                   help='stop reading DATA after --fault-after bytes until "resume" comes on stdin')
    p.add_argument("--fault-after", type=int, default=1, metavar="BYTES",
                   help="DATA bytes received before --drop/--stall/--pause strikes")
    p.add_argument("--slow-data", type=int, default=0, metavar="BYTES_PER_SEC")
    p.add_argument("--silent-at", action="append", default=[], metavar="VERB",
                   help="read this command (QUIT, DATA, ...) and never answer it")
    p.add_argument("--long-reply", nargs=2, metavar=("VERB", "LINES"))
    p.add_argument("--turn-after-message", choices=("silent", "filtered"))
    opts = p.parse_args()
    if opts.no_starttls:
        opts.starttls = None
    opts.mechs = [m.upper() for m in opts.auth_mechs.replace(",", " ").split()]
    opts.silent_at = {v.upper() for v in opts.silent_at}
    opts.user, opts.password = (opts.auth.split(":", 1) if opts.auth else (None, None))
    verb, lines = opts.long_reply or ("", "0")
    opts.long_reply = (verb.upper(), int(lines))
    opts.turned = None
    return opts


def long_reply(opts, verb, lines):
    """lines (the reply's own, last one included) padded with filler lines
    of about 80 characters up to the count --long-reply asks for."""
    wanted_verb, count = opts.long_reply
    if verb != wanted_verb or count <= len(lines):
        return lines
    code = lines[-1][:3]
    filler = [f"{code}-X-KORVANE-FILLER-{i:05d} " + "x" * 54 for i in range(count - len(lines))]
    return [l[:3] + "-" + l[4:] for l in lines[:-1]] + filler + [lines[-1]]


def turn(opts):
    """The port's change of mind after the first message (see --turn-after-message)."""
    if opts.turned or not opts.turn_after_message:
        return
    opts.turned = opts.turn_after_message
    if opts.turned == "filtered":
        # A full accept queue: the kernel drops every new SYN.
        host, port = opts.server.sockets[0].getsockname()[:2]
        opts.server.close()
        listener = socket.socket()
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind((host, port))
        listener.listen(0)
        opts.held = [listener, socket.create_connection((host, port))]


def tls_context(cert, key):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


class Handler:
    def __init__(self, opts, recorder):
        self.opts = opts
        self.recorder = recorder
        self.refused = {a.lower() for a in opts.refuse_rcpt}
        self.refused_senders = {a.lower() for a in opts.refuse_sender}

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        kept = []
        for line in responses:
            if line[4:].upper().startswith("AUTH"):
                if not self.opts.auth:
                    continue
                line = line[:4] + "AUTH " + " ".join(self.opts.mechs)
            kept.append(line)
        lines = long_reply(self.opts, "EHLO", kept)
        # One write, as servers answer EHLO: the client reads it in one go.
        return ["\r\n".join(lines)] if len(lines) > len(kept) else kept

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        if address.lower() in self.refused_senders:
            return f"553 5.7.1 <{address}>: Sender address rejected: not owned by user"
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "\r\n".join(long_reply(self.opts, "MAIL", ["250 2.1.0 OK"]))

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower() in self.refused:
            return f"550 5.1.1 <{address}>: Recipient address rejected: User unknown"
        envelope.rcpt_tos.append(address)
        envelope.rcpt_options.extend(rcpt_options)
        return "\r\n".join(long_reply(self.opts, "RCPT", ["250 2.1.5 OK"]))

    async def handle_DATA(self, server, session, envelope):
        code = self.opts.data_reply
        reply = f"{code} {DATA_REPLIES.get(code, 'korvane-test: refused')}" if code \
            else "250 2.0.0 korvane-test: message accepted"
        self.recorder.message(envelope_record(envelope, session, reply, not code))
        turn(self.opts)
        return reply

    def authenticate(self, server, session, envelope, mechanism, auth_data):
        ok = (auth_data.login == self.opts.user.encode()
              and auth_data.password == self.opts.password.encode())
        return self.auth_result(server, mechanism, ok, auth_data.login, auth_data.password)

    def auth_result(self, server, mechanism, ok, login, carried):
        self.recorder.log(server.conn_id, "*", f"auth {mechanism} {'ok' if ok else 'refused'}")
        return AuthResult(success=ok, handled=False, auth_data=self.opts.user if ok else None,
                          message=self.echo(server, ok, login, carried))

    def echo(self, server, ok, login, carried):
        """The reply of --echo-auth: what the client sent, quoted back."""
        if not self.opts.echo_auth:
            return None
        code, words = ("235", "2.7.0 accesso riuscito") if ok else ("535", "5.7.8 credenziali rifiutate")
        login = login.decode("utf-8", "replace")
        quoted = server.auth_payloads + [carried.decode("utf-8", "replace")]
        if self.opts.echo_auth == "split":
            lines = []
            for piece in quoted:
                half = len(piece) // 2
                lines += [f"{code}-{words}, ricevuto {piece[:half]}", f"{code}-{piece[half:]}"]
            return "\r\n".join(lines + [f"{code} {words} per {login}"])
        unpadded = " ".join(p.rstrip("=") for p in server.auth_payloads)
        return f"{code} {words} per {login}: ricevuto {' '.join(quoted)} ({unpadded})"


async def serve(opts):
    recorder = Recorder(opts.out, opts.password)
    handler = Handler(opts, recorder)
    loop = asyncio.get_running_loop()
    if opts.greeting_421 or opts.no_greeting:
        def factory():
            return SilentServer(opts, recorder)
        server_tls = None
    else:
        starttls = tls_context(*opts.starttls) if opts.starttls else None
        server_tls = tls_context(*opts.implicit_tls) if opts.implicit_tls else None
        in_clear = not starttls and not server_tls
        mechs = {"PLAIN", "LOGIN", "CRAM-MD5"} - set(opts.mechs if opts.auth else [])

        def factory():
            return RecordingSMTP(
                handler, opts, recorder, implicit_tls=server_tls is not None,
                hostname="localhost", tls_context=starttls,
                require_starttls=opts.require_starttls,
                auth_require_tls=not (server_tls or in_clear or opts.auth_before_tls),
                auth_exclude_mechanism=mechs,
                authenticator=handler.authenticate if opts.auth else None,
                data_size_limit=64 * 1024 * 1024, timeout=120)
    server = await loop.create_server(factory, host=opts.host, port=0, ssl=server_tls)
    opts.server = server
    print(server.sockets[0].getsockname()[1], flush=True)
    sys.stdout = sys.stderr  # the port line is all a test may find on stdout

    stop = loop.create_future()
    opts.resumed = asyncio.Event()

    def on_stdin():
        data = os.read(0, 4096)
        if b"resume" in data:
            opts.resumed.set()
        if not data and not stop.done():
            stop.set_result("stdin closed")
    loop.add_reader(0, on_stdin)
    loop.add_signal_handler(signal.SIGTERM, lambda: stop.done() or stop.set_result("SIGTERM"))
    recorder.log(0, "*", f"stopping: {await stop}")
    server.close()


def main():
    logging.basicConfig(stream=sys.stderr, level=logging.WARNING)
    # aiosmtpd warns about its own deprecated login_data on every AUTH.
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    opts = parse_args()
    try:
        asyncio.run(serve(opts))
    except OSError as error:
        print(f"smtp_server: {error}", file=sys.stderr)
        sys.stderr.flush()
        os._exit(2)
    sys.stderr.flush()
    # Connections left stalled on purpose must not keep the process alive.
    os._exit(0)


if __name__ == "__main__":
    main()
