#!/usr/bin/env python3
"""A scripted POP3 server for the TLS tests, on 127.0.0.1 only.

    tls_pop3_server.py MODE CERT KEY DIR

Writes its process id to DIR/pid, its port to DIR/port and every line it receives to DIR/transcript,
each marked "plain" or "tls" by how it came, so that a test can prove that no
login command crossed in the clear. Serves one connection after the other
until it is killed or has been idle for a minute. The mailbox is empty.

Modes: implicit (TLS from the first byte), stls (STLS, then TLS), plain (no
TLS at all, STLS answered with -ERR), garbage (1 MB of noise instead of a TLS
record), close-in-handshake, silent (reads, never answers).
"""
import os
import socket
import ssl
import sys

mode, cert, key, out = sys.argv[1:5]
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
# TLS_MAX_VERSION=1.2 makes a server of the many that stop at TLS 1.2.
if os.environ.get("TLS_MAX_VERSION") == "1.2":
    context.maximum_version = ssl.TLSVersion.TLSv1_2
transcript = open(os.path.join(out, "transcript"), "a", buffering=1)


class Lines:
    def __init__(self, sock, tag):
        self.sock, self.tag, self.pending = sock, tag, b""

    def read(self):
        while b"\r\n" not in self.pending:
            data = self.sock.recv(4096)
            if not data:
                return None
            self.pending += data
        line, self.pending = self.pending.split(b"\r\n", 1)
        text = line.decode("latin-1")
        transcript.write(f"{self.tag} {text}\n")
        return text

    def send(self, text):
        self.sock.sendall(text.encode("latin-1"))


def pop3(lines):
    lines.send("+OK scripted server ready <1.2@pell.test>\r\n")
    while (line := lines.read()) is not None:
        verb = line.split(" ")[0].upper()
        if verb == "STLS" and mode == "stls" and lines.tag == "plain":
            lines.send("+OK begin TLS\r\n")
            wrapped = context.wrap_socket(lines.sock, server_side=True)
            lines = Lines(wrapped, "tls")
        elif verb in ("USER", "PASS", "APOP"):
            lines.send("+OK\r\n")
        elif verb == "STAT":
            lines.send("+OK 0 0\r\n")
        elif verb == "QUIT":
            lines.send("+OK bye\r\n")
            return
        else:
            lines.send("-ERR not here\r\n")


def serve(conn):
    if mode == "garbage":
        # A record header that announces more than any record may hold, then noise.
        conn.sendall(b"\x16\x03\x03\xff\xff" + os.urandom(1 << 20))
    elif mode == "close-in-handshake":
        conn.recv(16)
    elif mode == "silent":
        while conn.recv(4096):
            pass
    elif mode == "implicit":
        pop3(Lines(context.wrap_socket(conn, server_side=True), "tls"))
    else:
        pop3(Lines(conn, "plain"))


listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(4)
listener.settimeout(60)
with open(os.path.join(out, "pid"), "w") as f:
    f.write(str(os.getpid()))
with open(os.path.join(out, "port.tmp"), "w") as f:
    f.write(str(listener.getsockname()[1]))
os.rename(os.path.join(out, "port.tmp"), os.path.join(out, "port"))
while True:
    try:
        conn, _ = listener.accept()
    except socket.timeout:
        break
    conn.settimeout(60)
    try:
        serve(conn)
    except (OSError, ssl.SSLError) as error:
        transcript.write(f"error {error}\n")
    finally:
        conn.close()
