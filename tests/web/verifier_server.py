"""Starting and stopping `zt-verify serve` for the web tests: on a free port of
the loopback address, waiting until it answers, and always stopped again."""
import json
import os
import queue
import signal
import subprocess
import threading
import time
import urllib.error
import urllib.request
from pathlib import Path

TOOL = os.environ["ZT_VERIFY"]
EXAMPLES = Path(os.environ["ZT_EXAMPLES_DIR"])
PLINKO = EXAMPLES / "plinko-classic.tar.gz"
SLOT = EXAMPLES / "slot-3x5.tar"
EXAMPLE_GAMES = ["--gdp", str(PLINKO), "--gdp", str(SLOT), "--noop", "dice-noop"]


class VerifierServer:
    """One `zt-verify serve` process; use it as a context manager."""

    def __init__(self, *args, listen="127.0.0.1:0"):
        self.args = [TOOL, "serve", "--listen", listen, *map(str, args)]
        self.process = None
        self.url = None
        self.output = []

    def __enter__(self):
        self.process = subprocess.Popen(self.args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                        text=True)
        lines = queue.Queue()

        def read():
            for line in self.process.stdout:
                lines.put(line)
            lines.put(None)

        threading.Thread(target=read, daemon=True).start()
        deadline = time.monotonic() + 60
        try:
            while self.url is None:
                line = lines.get(timeout=max(0.1, deadline - time.monotonic()))
                if line is None:
                    raise RuntimeError("zt-verify serve ended: " + "".join(self.output))
                self.output.append(line)
                if line.startswith("Open http://"):
                    self.url = line.split()[1]
            self._lines = lines
            self._wait_until_answering(deadline)
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()

    def _wait_until_answering(self, deadline):
        while True:
            try:
                self.get("/api/games")
                return
            except (urllib.error.URLError, ConnectionError):
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.05)

    def stop(self):
        """Ctrl-C, as a user stops it; returns the exit code."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGINT)
            try:
                self.process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        return self.process.returncode

    def rest_of_output(self):
        while True:
            try:
                line = self._lines.get(timeout=5)
            except queue.Empty:
                break
            if line is None:
                break
            self.output.append(line)
        return "".join(self.output)

    def request(self, method, path, body=None, headers=None):
        """(status, headers, decoded JSON or raw bytes) of one request."""
        request = urllib.request.Request(self.url.rstrip("/") + path, data=body, method=method,
                                         headers=headers or {})
        try:
            with urllib.request.urlopen(request, timeout=60) as response:
                status, reply_headers, data = response.status, response.headers, response.read()
        except urllib.error.HTTPError as error:
            status, reply_headers, data = error.code, error.headers, error.read()
        if reply_headers.get_content_type() == "application/json":
            return status, reply_headers, json.loads(data)
        return status, reply_headers, data

    def get(self, path):
        return self.request("GET", path)

    def post(self, path, body, headers=None):
        if not isinstance(body, bytes):
            body = json.dumps(body).encode()
        return self.request("POST", path, body, headers)
