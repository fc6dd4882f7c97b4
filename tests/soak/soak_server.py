#!/usr/bin/env python3
"""A scripted POP3 server for the long run: one loopback port per account, and
each connection of an account gets the next behaviour in turn:

  newmail   a normal session; one new message has arrived
  badpass   the password is refused
  midreply  the connection closes in the middle of a TOP reply
  silent    nothing is ever said (the program's watchdog ends the check)
  bigline   a 1 MB greeting line, and a new message with a 1 MB subject
            line and a 1 MB body line

Every connection is logged as one JSON line: account, behaviour, times, the
commands received and the Message-ID delivered.

  soak_server.py PORTS_FILE LOG_FILE ACCOUNTS
"""
import json
import socket
import sys
import threading
import time

BEHAVIOURS = ["newmail", "badpass", "midreply", "silent", "bigline"]
BIG = 1024 * 1024


class Account:
    def __init__(self, index):
        self.index = index
        self.connections = 0
        self.serial = 0
        self.lock = threading.Lock()
        self.messages = []  # oldest first
        self.deliver(big=False)

    def deliver(self, big):
        self.serial += 1
        msgid = "<soak-%d-%d@pell.test>" % (self.index, self.serial)
        subject = ("S" * BIG) if big else ("soak %d" % self.serial)
        body = ("B" * BIG) if big else "hello"
        text = (
            "Message-ID: %s\r\nFrom: Soak <soak@pell.test>\r\nTo: user@pell.test\r\n"
            "Subject: %s\r\nDate: Mon, 7 Dec 2026 05:00:00 +0000\r\n\r\n%s\r\nsecond line\r\n"
            % (msgid, subject, body)
        ).encode("ascii")
        self.messages.append(text)
        return msgid

    def next_behaviour(self):
        with self.lock:
            behaviour = BEHAVIOURS[(self.connections + self.index) % len(BEHAVIOURS)]
            self.connections += 1
            delivered = None
            if behaviour in ("newmail", "bigline"):
                delivered = self.deliver(big=behaviour == "bigline")
            return behaviour, delivered, list(self.messages)


def top(message, lines):
    head, _, body = message.partition(b"\r\n\r\n")
    body_lines = body.split(b"\r\n")[:lines]
    out = head + b"\r\n\r\n" + b"\r\n".join(body_lines)
    stuffed = b"\r\n".join(b"." + l if l.startswith(b".") else l for l in out.split(b"\r\n"))
    return b"+OK\r\n" + stuffed + b"\r\n.\r\n"


class Session:
    def __init__(self, conn, account, log, log_lock):
        self.conn = conn
        self.account = account
        self.log = log
        self.log_lock = log_lock
        self.commands = []
        self.buffer = b""
        self.start = time.time()

    def readline(self):
        while b"\r\n" not in self.buffer:
            data = self.conn.recv(65536)
            if not data:
                return None
            self.buffer += data
        line, _, self.buffer = self.buffer.partition(b"\r\n")
        text = line.decode("ascii", "replace")
        if len(self.commands) < 40:
            self.commands.append("%.2f %s" % (time.time() - self.start, text[:60]))
        return text

    def drain(self):
        while self.conn.recv(65536):
            pass

    def run(self):
        start = time.time()
        behaviour, delivered, messages = self.account.next_behaviour()
        try:
            self.serve(behaviour, messages)
        except OSError:
            pass
        finally:
            try:
                self.conn.close()
            except OSError:
                pass
        entry = {
            "account": self.account.index,
            "behaviour": behaviour,
            "start": start,
            "end": time.time(),
            "delivered": delivered,
            "commands": self.commands,
        }
        with self.log_lock:
            self.log.write(json.dumps(entry) + "\n")
            self.log.flush()

    def serve(self, behaviour, messages):
        send = self.conn.sendall
        if behaviour == "silent":
            self.drain()
            return
        if behaviour == "bigline":
            send(b"+OK " + b"G" * BIG + b"\r\n")
        else:
            send(b"+OK soak server ready\r\n")
        while True:
            line = self.readline()
            if line is None:
                return
            word = line.split(" ")[0].upper()
            args = line.split(" ")[1:]
            if word == "USER":
                send(b"+OK\r\n")
            elif word == "PASS":
                if behaviour == "badpass":
                    send(b"-ERR invalid password\r\n")
                    self.drain()
                    return
                send(b"+OK logged in\r\n")
            elif word == "STAT":
                size = sum(len(m) for m in messages)
                send(b"+OK %d %d\r\n" % (len(messages), size))
            elif word == "LIST":
                n = int(args[0])
                send(b"+OK %d %d\r\n" % (n, len(messages[n - 1])))
            elif word == "TOP":
                n, lines = int(args[0]), int(args[1])
                reply = top(messages[n - 1], lines)
                if behaviour == "midreply":
                    send(reply[: len(reply) // 2])
                    self.conn.shutdown(socket.SHUT_RDWR)
                    return
                send(reply)
            elif word == "QUIT":
                send(b"+OK bye\r\n")
                return
            else:
                send(b"-ERR unknown command\r\n")


def main():
    ports_file, log_file, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    log = open(log_file, "a")
    log_lock = threading.Lock()
    listeners = []
    for index in range(1, count + 1):
        s = socket.socket()
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        s.bind(("127.0.0.1", 0))
        s.listen(8)
        listeners.append((s, Account(index)))
    with open(ports_file + ".tmp", "w") as f:
        for s, _ in listeners:
            f.write("%d\n" % s.getsockname()[1])
    import os

    os.replace(ports_file + ".tmp", ports_file)

    def accept_loop(listener, account):
        while True:
            conn, _ = listener.accept()
            session = Session(conn, account, log, log_lock)
            threading.Thread(target=session.run, daemon=True).start()

    threads = [threading.Thread(target=accept_loop, args=pair, daemon=True) for pair in listeners]
    for t in threads:
        t.start()
    while True:
        time.sleep(3600)


if __name__ == "__main__":
    main()
