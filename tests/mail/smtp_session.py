"""The sessions behind the test SMTP server: an aiosmtpd session that
records every line and can misbehave in DATA, and a raw one for servers
that greet badly or not at all."""

import asyncio
import hashlib
import hmac
import os
import socket

from aiosmtpd.smtp import MISSING, SMTP, AuthResult

TCP_CLOSE, TCP_CLOSE_WAIT = 7, 8  # tcp_info.tcpi_state on Linux


class TapReader(asyncio.StreamReader):
    """Sees every line the SMTP session reads; installed on the session's
    own reader so nothing aiosmtpd reads can bypass it."""

    async def readuntil(self, separator=b"\n"):
        line = await super().readuntil(separator)
        await self.owner.tapped(line, in_data=(separator == b"\r\n"))
        return line


class RecordingSMTP(SMTP):
    def __init__(self, handler, opts, recorder, implicit_tls, **kwargs):
        super().__init__(handler, **kwargs)
        self.opts, self.recorder, self.implicit_tls = opts, recorder, implicit_tls
        self.conn_id = 0
        self._tail = b""
        self._in_auth = False
        self._data_bytes = None
        self._lost = False
        self._owed = 0
        self._watcher = None
        self._paused = False
        self.auth_payloads = []  # as the client wrote them in the last AUTH

    def connection_made(self, transport):
        starting = self.conn_id == 0
        super().connection_made(transport)
        self.session.implicit_tls = self.implicit_tls
        if starting:
            self.recorder.bump("connections")
            self.conn_id = self.recorder.state["connections"]
            self.recorder.log(self.conn_id, "*", f"connect {self.session.peer}"
                              + (" tls" if self.implicit_tls else ""))
        else:
            self.recorder.log(self.conn_id, "*", "starttls done")

    async def _handle_client(self):
        # A server slow to greet: a port that is there, only late.
        if self.opts.greeting_delay:
            await asyncio.sleep(self.opts.greeting_delay / 1000)
        # A port that has turned silent: it takes the connection, says nothing.
        if self.opts.turned == "silent":
            self.recorder.log(self.conn_id, "*", "silent, no greeting")
            await asyncio.Event().wait()
        await super()._handle_client()

    def _client_connected_cb(self, reader, writer):
        reader.__class__ = TapReader
        reader.owner = self
        super()._client_connected_cb(reader, writer)

    def data_received(self, data):
        window = self._tail + data
        if self.recorder.secrets and not self.recorder.state["password_seen"] \
                and self.recorder.scan(window):
            self.recorder.update(password_seen=True)
            self.recorder.log(self.conn_id, "*", "password bytes seen")
        self._tail = window[-self.recorder.longest_secret:]
        super().data_received(data)

    def connection_lost(self, error):
        if not self._lost:
            self._lost = True
            if self._data_bytes is not None:
                self.recorder.log(self.conn_id, "*", f"lost in DATA after {self._data_bytes} bytes")
            self.recorder.log(self.conn_id, "*", "closed")
            self.recorder.bump("closed")
        super().connection_lost(error)

    async def push(self, status):
        text = status.decode("utf-8", "replace") if isinstance(status, bytes) else status
        lines = text.split("\r\n")
        if len(lines) <= 40:  # a multi-line reply: one log line each
            for line in lines:
                self.recorder.log(self.conn_id, "S", line)
        else:  # a reply of many lines: its first and last lines
            self.recorder.log(self.conn_id, "S", f"{lines[0]} ... ({len(lines)} lines) {lines[-1]}")
        if text.startswith("354"):
            self._data_bytes = 0
            self.recorder.bump("data_started")
        # In UTF-8, as a server quoting back what it got writes it (aiosmtpd
        # alone writes ASCII only, without SMTPUTF8).
        await super().push(status.encode("utf-8") if isinstance(status, str) else status)

    async def challenge_auth(self, *args, **kwargs):
        self._in_auth = True
        try:
            return await super().challenge_auth(*args, **kwargs)
        finally:
            self._in_auth = False

    async def auth_CRAM__MD5(self, _, args):
        challenge = f"<{os.getpid()}.{self.conn_id}@localhost>".encode()
        response = await self.challenge_auth(challenge)
        if response is MISSING:
            return AuthResult(success=False, handled=False)
        login, _, digest = response.partition(b" ")
        expected = hmac.new(self.opts.password.encode(), challenge, hashlib.md5).hexdigest().encode()
        ok = login == self.opts.user.encode() and hmac.compare_digest(digest, expected)
        return self.event_handler.auth_result(self, "CRAM-MD5", ok, login, response)

    async def tapped(self, line, in_data):
        if not in_data:
            self._note_auth(line)
            self._log_command(line)
            verb = line.split(b" ", 1)[0].strip().decode("ascii", "replace").upper()
            if verb in self.opts.silent_at and not self._in_auth:
                self.recorder.log(self.conn_id, "*", f"silent at {verb}")
                await asyncio.Event().wait()
            return
        if line == b".\r\n":
            self.recorder.log(self.conn_id, "*", f"end of DATA after {self._data_bytes} bytes")
            self._data_bytes = None
            return
        self._data_bytes += len(line)
        if self._watcher is None and (self.opts.slow_data or self.opts.stall_in_data
                                      or self.opts.pause_in_data):
            self._watcher = asyncio.ensure_future(self._watch_peer())
        if self.opts.slow_data:
            self._owed += len(line)
            if self._owed * 20 >= self.opts.slow_data:
                await asyncio.sleep(self._owed / self.opts.slow_data)
                self._owed = 0
        if self._data_bytes >= self.opts.fault_after:
            if self.opts.drop_in_data:
                self.recorder.log(self.conn_id, "*", f"dropping in DATA after {self._data_bytes} bytes")
                self.transport.abort()
                await asyncio.Event().wait()
            if self.opts.pause_in_data and not self._paused:
                self._paused = True
                self.recorder.log(self.conn_id, "*", f"pausing in DATA after {self._data_bytes} bytes")
                await self.opts.resumed.wait()
                self.recorder.log(self.conn_id, "*", "resuming DATA")
            if self.opts.stall_in_data:
                self.recorder.log(self.conn_id, "*", f"stalling in DATA after {self._data_bytes} bytes")
                await asyncio.Event().wait()

    async def _watch_peer(self):
        """While DATA is read slowly or not at all, the client's FIN waits
        behind unread bytes; the kernel's TCP state shows it at once."""
        sock = self.transport.get_extra_info("socket")
        while not self._lost and sock is not None:
            try:
                state = sock.getsockopt(socket.IPPROTO_TCP, socket.TCP_INFO, 1)[0]
            except OSError:
                return
            if state in (TCP_CLOSE_WAIT, TCP_CLOSE):
                self.recorder.log(self.conn_id, "*", "peer closed during DATA")
                self.transport.abort()
                return
            await asyncio.sleep(0.05)

    def _note_auth(self, line):
        text = line.rstrip(b"\r\n").decode("ascii", "replace")
        if self._in_auth:
            self.auth_payloads.append(text)
        elif text[:5].upper() == "AUTH ":
            self.auth_payloads = text.split()[2:]

    def _log_command(self, line):
        text = line.rstrip(b"\r\n").decode("utf-8", "replace")
        if self._in_auth:
            text = "***"
        elif text[:5].upper() == "AUTH " or text.upper() == "AUTH":
            self.recorder.update(auth_seen=True)
            words = text.split()
            text = " ".join(words[:2] + (["***"] if len(words) > 2 else []))
        self.recorder.log(self.conn_id, "C", text)


class SilentServer(asyncio.Protocol):
    """Greets with 421 and hangs up, or never says a word."""

    def __init__(self, opts, recorder):
        self.opts, self.recorder = opts, recorder

    def connection_made(self, transport):
        self.recorder.bump("connections")
        self.conn_id = self.recorder.state["connections"]
        self.recorder.log(self.conn_id, "*", f"connect {transport.get_extra_info('peername')}")
        if self.opts.greeting_421:
            reply = "421 4.3.2 korvane-test: service not available, closing channel"
            self.recorder.log(self.conn_id, "S", reply)
            transport.write(reply.encode() + b"\r\n")
            transport.close()

    def data_received(self, data):
        for line in data.splitlines():
            self.recorder.log(self.conn_id, "C", line.decode("utf-8", "replace"))

    def connection_lost(self, error):
        self.recorder.log(self.conn_id, "*", "closed")
        self.recorder.bump("closed")
