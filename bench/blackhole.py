#!/usr/bin/python3
"""Loopback ports that behave like firewalled ones, for bench/ports.sh.

Each listening socket's accept queue is kept full, so the kernel drops every
new SYN and a client waits as it would for a port a firewall drops. Prints
the ports on one line; exits when its stdin closes.
"""

import socket
import sys


def main():
    count = int(sys.argv[1])
    held, ports = [], []
    for _ in range(count):
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        listener.listen(0)  # room for one connection, never accepted
        filler = socket.create_connection(listener.getsockname())
        held += [listener, filler]
        ports.append(listener.getsockname()[1])
    print(" ".join(map(str, ports)), flush=True)
    sys.stdin.read()


if __name__ == "__main__":
    main()
