#!/usr/bin/python3
# Loopback name server of the domain tests (UDP, 127.0.0.1, any port): prints its port, then answers
# from ZONE (names without case; any other name does not exist) until killed or its stdin closes.
# With --no-top-zones it knows no top-level zone either, as a network's own name server may.

import contextlib
import os
import select
import socket
import struct
import sys

A, NS, SOA, MX, AAAA = 1, 2, 6, 15, 28
NOERROR, SERVFAIL, NXDOMAIN = 0, 2, 3
SILENT = "silent"  # the query is dropped: the client waits for its time-out
ZONE = {name: {MX: [(10, "mx." + name)], A: ["192.0.2.10"]} for name in ("gmail.com", "libero.it", "esempio.it")}
ZONE |= {"gmial.com": {A: ["192.0.2.1"]}, "solo-ipv6.it": {AAAA: ["2001:db8::1"]},
         "guasto.it": SERVFAIL, "lento.it": SILENT, "nessuna-posta.it": {MX: [(0, "")], A: ["192.0.2.20"]}}
TOP_ZONES = {name: {SOA: [("a.nic." + name, "hostmaster.nic." + name)], NS: ["a.nic." + name]}
             for name in ("it", "com")}


def encode_name(name):
    return b"".join(bytes([len(x)]) + x for x in name.encode("ascii").split(b".") if x) + b"\0"


def encode_data(kind, value):
    if kind == MX:  # the preference, then the exchanger's name ("": the root, a null MX)
        return struct.pack("!H", value[0]) + encode_name(value[1])
    if kind == SOA:  # the zone's server and mailbox, then serial, refresh, retry, expiry and minimum
        return encode_name(value[0]) + encode_name(value[1]) + struct.pack("!IIIII", 1, 3600, 600, 86400, 60)
    if kind == NS:
        return encode_name(value)
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
    if "--no-top-zones" not in sys.argv[1:]:
        ZONE |= TOP_ZONES
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
