#!/usr/bin/python3
# Loopback name server of the domain tests (UDP, 127.0.0.1, any port): prints
# its port, then answers from ZONE (names without case; any other name does
# not exist) until killed or its stdin closes, so a crashed test leaves nothing.

import os
import select
import socket
import struct
import sys

A, MX, AAAA = 1, 15, 28
NOERROR, SERVFAIL, NXDOMAIN = 0, 2, 3
SILENT = "silent"  # the query is dropped: the client waits for its time-out
TTL = 60


ZONE = {name: {MX: [(10, "mx." + name)], A: ["192.0.2.10"]} for name in ("gmail.com", "libero.it", "esempio.it")}
ZONE.update({
    "gmial.com": {A: ["192.0.2.1"]},
    "solo-ipv6.it": {AAAA: ["2001:db8::1"]},
    "guasto.it": SERVFAIL,
    "lento.it": SILENT,
})


def read_name(packet, offset):
    labels = []
    while packet[offset]:
        length = packet[offset]
        if length & 0xC0:
            raise ValueError("a compressed name in a question")
        labels.append(packet[offset + 1 : offset + 1 + length].decode("ascii"))
        offset += 1 + length
    return ".".join(labels), offset + 1


def encode_name(name):
    return b"".join(bytes([len(label)]) + label.encode("ascii") for label in name.split(".")) + b"\0"


def encode_data(kind, value):
    if kind == MX:
        return struct.pack("!H", value[0]) + encode_name(value[1])
    return socket.inet_pton(socket.AF_INET if kind == A else socket.AF_INET6, value)


def reply(query):
    ident, flags, questions = struct.unpack("!HHH", query[:6])
    if flags & 0x8000 or questions != 1:
        return None
    name, end = read_name(query, 12)
    kind, _ = struct.unpack("!HH", query[end : end + 4])
    entry = ZONE.get(name.lower().rstrip("."), NXDOMAIN)
    if entry == SILENT:
        return None
    rcode = entry if isinstance(entry, int) else NOERROR
    values = [] if rcode != NOERROR else entry.get(kind, [])
    # QR, the opcode and RD as asked, authoritative, recursion available.
    flags = 0x8000 | (flags & 0x7900) | 0x0400 | 0x0080 | rcode
    answers = b""
    for value in values:
        data = encode_data(kind, value)
        # 0xC00C points back at the question's name.
        answers += struct.pack("!HHHIH", 0xC00C, kind, 1, TTL, len(data)) + data
    header = struct.pack("!HHHHHH", ident, flags, 1, len(values), 0, 0)
    return header + query[12 : end + 4] + answers


def main():
    server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    server.bind(("127.0.0.1", 0))
    print(server.getsockname()[1], flush=True)
    stdin = sys.stdin.fileno()
    while True:
        ready, _, _ = select.select([server, stdin], [], [])
        if stdin in ready and not os.read(stdin, 4096):
            return
        if server in ready:
            query, client = server.recvfrom(4096)
            try:
                answer = reply(query)
            except (ValueError, IndexError, struct.error, UnicodeDecodeError):
                answer = None
            if answer:
                server.sendto(answer, client)


if __name__ == "__main__":
    main()
