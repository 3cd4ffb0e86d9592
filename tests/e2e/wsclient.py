"""A small HTTP and WebSocket client for the remote control's tests: raw
sockets, so a test can send exactly the bytes a refusal is about."""

import base64
import json
import os
import socket
import struct


def http(host, port, request, timeout=5):
    """Sends raw request bytes; the answer's status code and the whole answer (0 if none)."""
    with socket.create_connection((host, port), timeout) as s:
        s.sendall(request)
        data = b""
        try:
            while b"\r\n\r\n" not in data:
                chunk = s.recv(65536)
                if not chunk:
                    break
                data += chunk
        except (ConnectionResetError, socket.timeout):
            pass
    if not data.startswith(b"HTTP/1.1 "):
        return 0, data
    return int(data.split()[1]), data


def get(host, port, target, headers=None):
    lines = [f"GET {target} HTTP/1.1", f"Host: {host}:{port}", "Connection: close"]
    lines += [f"{k}: {v}" for k, v in (headers or {}).items()]
    return http(host, port, ("\r\n".join(lines) + "\r\n\r\n").encode())


class WebSocket:
    """One page's WebSocket. status is the upgrade's HTTP status (101 when open)."""

    def __init__(self, host, port, target, origin="", timeout=5, host_name=None):
        named = f"{host_name or host}:{port}"
        origin = f"http://{named}" if origin == "" else origin
        self.sock = socket.create_connection((host, port), timeout)
        key = base64.b64encode(os.urandom(16)).decode()
        head = [f"GET {target} HTTP/1.1", f"Host: {named}", "Upgrade: websocket", "Connection: Upgrade",
                f"Sec-WebSocket-Key: {key}", "Sec-WebSocket-Version: 13"]
        if origin is not None:
            head.append(f"Origin: {origin}")
        self.sock.sendall(("\r\n".join(head) + "\r\n\r\n").encode())
        self.buffer = b""
        while b"\r\n\r\n" not in self.buffer:
            chunk = self.sock.recv(4096)
            if not chunk:
                break
            self.buffer += chunk
        answer, _, self.buffer = self.buffer.partition(b"\r\n\r\n")
        self.status = int(answer.split()[1]) if answer.startswith(b"HTTP/1.1 ") else 0

    def send(self, payload, opcode=1):
        data = payload.encode() if isinstance(payload, str) else payload
        mask = os.urandom(4)
        if len(data) < 126:
            header = struct.pack("!BB", 0x80 | opcode, 0x80 | len(data))
        elif len(data) < 65536:
            header = struct.pack("!BBH", 0x80 | opcode, 0x80 | 126, len(data))
        else:
            header = struct.pack("!BBQ", 0x80 | opcode, 0x80 | 127, len(data))
        self.sock.sendall(header + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(data)))

    def send_json(self, message):
        self.send(json.dumps(message))

    def _read(self, n):
        while len(self.buffer) < n:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError("closed")
            self.buffer += chunk
        data, self.buffer = self.buffer[:n], self.buffer[n:]
        return data

    def receive(self):
        """The next text message as JSON; None once the server has closed.
        Nothing for the timeout raises socket.timeout."""
        message = b""
        try:
            while True:
                first, second = self._read(2)
                length = second & 0x7F
                if length == 126:
                    length = struct.unpack("!H", self._read(2))[0]
                elif length == 127:
                    length = struct.unpack("!Q", self._read(8))[0]
                payload = self._read(length)
                opcode = first & 0x0F
                if opcode == 8:
                    return None
                if opcode in (0, 1):  # a text message, maybe in several frames
                    message += payload
                    if first & 0x80:
                        return json.loads(message)
        except socket.timeout:
            raise
        except OSError:  # closed or reset
            return None

    def receive_type(self, kind, limit=50):
        """The next message of a type, skipping others (a bounded number)."""
        for _ in range(limit):
            message = self.receive()
            if message is None or message["type"] == kind:
                return message
        return None

    def close(self):
        self.sock.close()
