"""The host's ends of the guest's serial lines: a relay that drops one byte
in N of one direction and counts exactly what it dropped, an echoing peer,
and a listener for the guest's console and the monitor. QEMU connects to
each of them as a client of a Unix socket."""

import select
import socket
import threading


def listener(path):
    s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    s.bind(str(path))
    s.listen(1)
    return s


def accept(sock, timeout):
    sock.settimeout(timeout)
    conn, _ = sock.accept()
    conn.setblocking(True)
    return conn


class Peer(threading.Thread):
    """Accepts QEMU's connection, then serves it until stopped."""

    def __init__(self, paths, timeout=60):
        super().__init__(daemon=True)
        self.listeners = [listener(p) for p in paths]
        self.timeout = timeout
        self.error = None
        self.ended = None  # how serving ended, for the report of a guest that did not finish
        self._halt = threading.Event()

    def run(self):
        try:
            conns = [accept(s, self.timeout) for s in self.listeners]
            self.serve(conns)
            self.ended = "stopped" if self.stopped() else "QEMU closed the connection"
        except ConnectionResetError:
            self.ended = "QEMU reset the connection"  # as it does when it powers off
        except Exception as e:  # reported by the checks, never a hang
            self.error = e

    def stopped(self):
        return self._halt.is_set()

    def stop(self):
        self._halt.set()
        self.join(5)


class Pump(Peer):
    """Moves bytes between connections without ever blocking on a send:
    what a side cannot take yet waits here. (QEMU's USB serial writes its
    socket with a blocking call; a peer that stopped reading while it waits
    to send would stop the whole machine.)"""

    muted = False  # while set, bytes read are dropped and nothing waits to go out

    def route(self, conn, data):
        """Where the bytes read from `conn` go: [(connection, bytes)]."""
        raise NotImplementedError

    def serve(self, conns):
        for c in conns:
            c.setblocking(False)
        pending = {c: bytearray() for c in conns}
        while not self.stopped():
            if self.muted:
                for c in conns:
                    pending[c].clear()
            writers = [c for c in conns if pending[c]]
            readable, writable, _ = select.select(conns, writers, [], 0.1)
            for conn in readable:
                data = conn.recv(65536)
                if not data:
                    return
                for to, out in self.route(conn, data):
                    if not self.muted:
                        pending[to] += out
            for conn in writable:
                try:
                    sent = conn.send(pending[conn])
                except BlockingIOError:
                    continue
                del pending[conn][:sent]


class Relay(Pump):
    """a -> b drops the byte at every position N-1, 2N-1, ... of that
    direction; b -> a passes every byte. Counts are exact: each byte read is
    either passed on or counted in `dropped`."""

    def __init__(self, path_a, path_b, every):
        super().__init__([path_a, path_b])
        self.every = every
        self.forwarded = {"a": 0, "b": 0}
        self.dropped = 0
        self._seen = 0  # bytes read from a so far
        self.lock = threading.Lock()
        self.conns = None

    def _thin(self, data):
        if not self.every:
            self._seen += len(data)
            return data
        kept = bytearray()
        for byte in data:
            self._seen += 1
            if self._seen % self.every == 0:
                self.dropped += 1
            else:
                kept.append(byte)
        return bytes(kept)

    def serve(self, conns):
        self.conns = conns
        super().serve(conns)

    def route(self, conn, data):
        a, b = self.conns
        with self.lock:
            if conn is a:
                data = self._thin(data)
                self.forwarded["a"] += len(data)
                return [(b, data)]
            self.forwarded["b"] += len(data)
            return [(a, data)]

    def counts(self):
        with self.lock:
            return self.dropped, dict(self.forwarded)


class Echo(Pump):
    """Sends back everything, as a loopback plug on the adapter would."""

    def route(self, conn, data):
        return [(conn, data)]


class Console(Peer):
    """The guest's console: every line is kept (and logged); `on_line` sees
    each one as it comes."""

    def __init__(self, path, log, on_line):
        super().__init__([path])
        self.log = log
        self.on_line = on_line
        self.lines = []
        self.changed = threading.Condition()

    def serve(self, conns):
        (conn,) = conns
        pending = b""
        while not self.stopped():
            ready, _, _ = select.select([conn], [], [], 0.1)
            if not ready:
                continue
            data = conn.recv(65536)
            if not data:
                return
            self.log.write(data)
            self.log.flush()
            pending += data
            while b"\n" in pending:
                line, pending = pending.split(b"\n", 1)
                text = line.decode("latin-1").rstrip("\r")
                with self.changed:
                    self.lines.append(text)
                    self.changed.notify_all()
                self.on_line(text)

    def wait_for(self, text, deadline_s):
        """True once a line equal to `text` has come, within the time."""
        import time

        end = time.monotonic() + deadline_s
        with self.changed:
            while text not in self.lines:
                left = end - time.monotonic()
                if left <= 0 or not self.is_alive():
                    return False
                self.changed.wait(min(left, 0.2))
            return True


class Monitor(Peer):
    """QEMU's human monitor: commands go out, what it answers is logged."""

    def __init__(self, path, log):
        super().__init__([path])
        self.log = log
        self.conn = None
        self.ready = threading.Event()
        self.answers = b""

    def serve(self, conns):
        (self.conn,) = conns
        self.ready.set()
        while not self.stopped():
            ready, _, _ = select.select([self.conn], [], [], 0.1)
            if ready:
                data = self.conn.recv(65536)
                if not data:
                    return
                self.log.write(data)
                self.log.flush()
                self.answers += data

    def command_until_accepted(self, text, tries=20):
        """Sends again while QEMU answers with an error (a device_add right
        after a device_del finds the chardev still held for a moment)."""
        import time

        for _ in range(tries):
            before = len(self.answers)
            self.command(text)
            time.sleep(0.5)
            if b"Error" not in self.answers[before:]:
                return
        raise RuntimeError(f"QEMU refused {text!r}")

    def command(self, text):
        if not self.ready.wait(10):
            raise RuntimeError("the QEMU monitor never connected")
        self.log.write(("\n>>> " + text + "\n").encode())
        self.conn.sendall((text + "\n").encode())
