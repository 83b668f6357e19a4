#!/usr/bin/python3
# Loopback name server of the domain tests (UDP, 127.0.0.1, any port): prints its port, then answers
# from ZONE (names without case; any other name does not exist) until killed or its stdin closes.

import contextlib
import os
import select
import socket
import struct
import sys

A, MX, AAAA = 1, 15, 28
NOERROR, SERVFAIL, NXDOMAIN = 0, 2, 3
SILENT = "silent"  # the query is dropped: the client waits for its time-out
ZONE = {name: {MX: [(10, "mx." + name)], A: ["192.0.2.10"]} for name in ("gmail.com", "libero.it", "esempio.it")}
ZONE |= {"gmial.com": {A: ["192.0.2.1"]}, "solo-ipv6.it": {AAAA: ["2001:db8::1"]},
         "guasto.it": SERVFAIL, "lento.it": SILENT}


def encode_data(kind, value):
    if kind == MX:  # the preference, then the exchanger's name as labels
        labels = value[1].encode("ascii").split(b".")
        return struct.pack("!H", value[0]) + b"".join(bytes([len(x)]) + x for x in labels) + b"\0"
    return socket.inet_pton(socket.AF_INET if kind == A else socket.AF_INET6, value)


def reply(query):
    ident, flags, questions = struct.unpack("!HHH", query[:6])
    labels, end = [], 12
    while query[end]:  # the question's name, never compressed
        labels.append(query[end + 1 : end + 1 + query[end]].decode("ascii"))
        end += 1 + query[end]
    kind = struct.unpack("!H", query[end + 1 : end + 3])[0]
    entry = ZONE.get(".".join(labels).lower(), NXDOMAIN)
    if flags & 0x8000 or questions != 1 or entry == SILENT:
        return None
    rcode = entry if isinstance(entry, int) else NOERROR
    data = [encode_data(kind, value) for value in ([] if rcode else entry.get(kind, []))]
    # An answer, as asked, authoritative, recursion available; 0xC00C points at the question's name.
    header = struct.pack("!HHHHHH", ident, 0x8000 | (flags & 0x7900) | 0x0480 | rcode, 1, len(data), 0, 0)
    return header + query[12 : end + 5] + b"".join(
        struct.pack("!HHHIH", 0xC00C, kind, 1, 60, len(item)) + item for item in data)


if __name__ == "__main__":
    server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    server.bind(("127.0.0.1", 0))
    print(server.getsockname()[1], flush=True)
    while True:
        ready = select.select([server, sys.stdin], [], [])[0]
        if sys.stdin in ready and not os.read(sys.stdin.fileno(), 4096):
            break
        if server in ready:
            query, client = server.recvfrom(4096)
            with contextlib.suppress(ValueError, IndexError, struct.error, UnicodeDecodeError):
                if answer := reply(query):
                    server.sendto(answer, client)
