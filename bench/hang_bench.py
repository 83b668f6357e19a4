#!/usr/bin/python3
"""Network that hangs: the GUI thread's longest stall through sends to a
server that never answers QUIT (each next send started as soon as the
previous outcome arrives), and how long the program takes to exit once its
window is closed as the server accepts the message and then stays silent,
once QUIT is unanswered, or while a name lookup hangs for 15 s.

  bench/hang_bench.py [BUILD_DIR] [SENDS]    (default build-bench, 5 sends)

BUILD_DIR must hold bench/korvane-bench (cmake -DKORVANE_BENCH=ON). The
loopback test server (tests/mail/smtp_server.py, python3-aiosmtpd) plays
the server; the lookup shim (tests/mail/lookup_hang.cpp) is compiled here.
"""

import os
import re
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


class Server:
    def __init__(self, work, *options):
        self.out = tempfile.mkdtemp(dir=work)
        self.proc = subprocess.Popen(
            ["/usr/bin/python3", os.path.join(ROOT, "tests/mail/smtp_server.py"), "--out", self.out, *options],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.port = int(self.proc.stdout.readline())

    def log_has(self, fragment):
        try:
            with open(os.path.join(self.out, "session.log"), encoding="utf-8") as log:
                return fragment in log.read()
        except OSError:
            return False

    def stop(self):
        self.proc.stdin.close()
        self.proc.wait(10)


def wait_until(done, seconds):
    end = time.monotonic() + seconds
    while not done():
        if time.monotonic() > end:
            return False
        time.sleep(0.01)
    return True


def stalls(bench, work, sends, env):
    server = Server(work, "--silent-at", "QUIT")
    attachment = os.path.join(work, "a1k")
    with open(attachment, "wb") as f:
        f.write(os.urandom(1024))
    started = time.monotonic()
    out = subprocess.run([bench, "send", f"127.0.0.1:{server.port}", attachment, str(sends)],
                         capture_output=True, text=True, timeout=900, env=env).stdout
    server.stop()
    gap = re.findall(r"longest_gap_ms=([0-9.]+)", out)
    times = re.findall(r"^send=\d+ ms=([0-9.]+)", out, re.M)
    return gap[-1] if gap else "n/a", times, time.monotonic() - started


def exit_after_close(bench, work, condition, env):
    if condition == "lookup":
        server = Server(work)
        address = f"lento.hang.test:{server.port}"
        mark = env["KORVANE_LOOKUP_HANG_MARK"]
        ready = lambda: os.path.exists(mark)  # noqa: E731
    else:
        server = Server(work, "--silent-at", "QUIT")
        address = f"127.0.0.1:{server.port}"
        ready = lambda: server.log_has(condition)  # noqa: E731
    program = subprocess.Popen([bench, "close", address], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                               env=env)
    if not wait_until(ready, 60):
        program.kill()
        return "condition not reached"
    started = time.monotonic()
    program.stdin.write(b"close\n")
    program.stdin.flush()
    try:
        program.wait(120)
        result = f"{(time.monotonic() - started) * 1000:.0f} ms (exit code {program.returncode})"
    except subprocess.TimeoutExpired:
        program.kill()
        result = "still running after 120 s"
    server.stop()
    if condition == "lookup":
        os.unlink(env["KORVANE_LOOKUP_HANG_MARK"])
    return result


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build-bench"
    sends = sys.argv[2] if len(sys.argv) > 2 else "5"
    bench = os.path.abspath(os.path.join(build, "bench/korvane-bench"))
    with tempfile.TemporaryDirectory(prefix="korvane-hang.") as work:
        shim = os.path.join(work, "liblookuphang.so")
        subprocess.run(["c++", "-O2", "-shared", "-fPIC", "-o", shim,
                        os.path.join(ROOT, "tests/mail/lookup_hang.cpp"), "-ldl"], check=True)
        runtime = os.path.join(work, "runtime")
        os.mkdir(runtime, 0o700)
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=work, XDG_RUNTIME_DIR=runtime)
        gap, times, total = stalls(bench, work, sends, env)
        print(f"silent at QUIT, {sends} sends in a row: longest GUI stall {gap} ms; "
              f"send times {', '.join(times)} ms; whole run {total:.1f} s", flush=True)
        hang_env = dict(env, LD_PRELOAD=shim, KORVANE_LOOKUP_HANG_MS="15000",
                        KORVANE_LOOKUP_HANG_MARK=os.path.join(work, "lookup-started"))
        for condition, label in (("S 250 2.0.0", "closed on the server's 250 to the message, QUIT unanswered"),
                                 ("silent at QUIT", "closed once QUIT is unanswered"),
                                 ("lookup", "name lookup hanging 15 s")):
            print(f"window closed, {label}: process exited after "
                  f"{exit_after_close(bench, work, condition, hang_env)}", flush=True)


if __name__ == "__main__":
    main()
