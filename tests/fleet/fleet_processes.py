"""The programs the fleet tests start: each one's process kept, its output in a log file,
and every one stopped when the test ends, whatever way it ends."""

import atexit
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

SKIP = 77  # ctest's SKIP_RETURN_CODE for these tests


class Fleet:
    # The whole test ends itself, everything it started stopped, before ctest's timeout
    # (120 s) would kill it without that.
    LIFETIME = 100

    def __init__(self, bin_dir):
        self.bin = os.path.abspath(bin_dir)
        self.dir = tempfile.mkdtemp(prefix="qorv-fleet-")
        self.processes = []  # (name, Popen)
        atexit.register(self.stop_all)
        for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            signal.signal(sig, self._on_signal)
        signal.signal(signal.SIGALRM, lambda *_: self.fail("the test ran for %d s" % self.LIFETIME))
        signal.alarm(self.LIFETIME)

    def _on_signal(self, number, _frame):
        self.stop_all()
        sys.exit(128 + number)

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def start(self, name, argv, env=None):
        log = open(self.path(name + ".log"), "wb")
        process = subprocess.Popen(argv, stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                   env=dict(os.environ, **(env or {})), cwd=self.dir)
        log.close()
        self.processes.append((name, process))
        return process

    def stop(self, process):
        if process.poll() is None:
            process.terminate()
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def stop_processes(self):
        for _, process in reversed(self.processes):
            self.stop(process)
        self.processes = []

    def stop_all(self):
        self.stop_processes()
        if os.path.isdir(self.dir) and not os.environ.get("QORV_FLEET_KEEP"):
            shutil.rmtree(self.dir, ignore_errors=True)

    def log(self, name):
        try:
            with open(self.path(name + ".log"), errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def fail(self, message, logs=()):
        self.stop_processes()
        print("FAIL: " + message, file=sys.stderr)
        for name in logs:
            print("---- " + name + ".log\n" + self.log(name)[-3000:], file=sys.stderr)
        self.stop_all()
        sys.exit(1)

    def wait_for(self, what, condition, seconds, logs=()):
        """Polls condition until it gives a true value; the bound only ends a test that hangs."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            value = condition()
            if value:
                return value
            for name, process in self.processes:
                if process.poll() is not None and name in logs:
                    self.fail(name + " ended with status " + str(process.returncode) + " while waiting for " + what,
                              logs)
            time.sleep(0.2)
        self.fail("no " + what + " within " + str(seconds) + " s", logs)

    def driver(self, name, board_file, scenario=None):
        """qvnbdrv --simulate on a socket of its own."""
        sock = self.path(name + ".sock")
        argv = [os.path.join(self.bin, "qvnbdrv"), "--simulate", "--board", board_file, "--socket", sock]
        if scenario:
            argv += ["--scenario", scenario]
        process = self.start(name, argv)
        self.wait_for("socket of " + name, lambda: os.path.exists(sock), 10, [name])
        return process, sock

    def exporter(self, name, board, sock, interval=1):
        """qorvmon-exporter on a port the system picks; gives the process and its address."""
        argv = [os.path.join(self.bin, "qorvmon-exporter"), "--board", board, "--settings",
                self.path(name + ".QHwmset"), "--listen", "127.0.0.1:0", "--interval", str(interval)]
        process = self.start(name, argv, {"QVNBDRV_SOCKET": sock})

        def address():
            found = re.search(r"at http://(127\.0\.0\.1:\d+)/metrics", self.log(name))
            return found.group(1) if found else None

        return process, self.wait_for("address of " + name, address, 10, [name])


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def http_get(url, timeout=5):
    with urllib.request.urlopen(url, timeout=timeout) as reply:
        return reply.read().decode()


def samples(text):
    """The sample lines of an exposition text: 'name{labels}' to value."""
    out = {}
    for line in text.splitlines():
        if line and not line.startswith("#"):
            key, value = line.rsplit(" ", 1)
            out[key] = value
    return out
