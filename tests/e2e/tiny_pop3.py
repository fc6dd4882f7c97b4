#!/usr/bin/env python3
"""A small POP3 server on 127.0.0.1 for the end-to-end test. It serves the
files of a folder as the mailbox (sorted by name, read again at every
connection), accepts one user and password, and never deletes anything.

    tiny_pop3.py FOLDER USER PASSWORD PORT PORTFILE

PORT 0 picks a free port; the port in use is written to PORTFILE.
"""
import os
import socketserver
import sys


def load_messages(folder):
    messages = []
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), 'rb') as f:
            data = f.read().replace(b'\r\n', b'\n').replace(b'\n', b'\r\n')
        if not data.endswith(b'\r\n'):
            data += b'\r\n'
        messages.append(data)
    return messages


def stuffed(lines):
    return b''.join((b'.' + line if line.startswith(b'.') else line) for line in lines)


class Session(socketserver.StreamRequestHandler):
    def send(self, text):
        self.wfile.write(text if isinstance(text, bytes) else text.encode('ascii'))

    def handle(self):
        try:
            self.converse()
        except (ConnectionError, BrokenPipeError):
            pass  # the client went away: nothing to report

    def converse(self):
        folder, user, password = self.server.mailbox
        messages = load_messages(folder)
        self.send('+OK tiny POP3 ready <1.2@127.0.0.1>\r\n')
        authorised = False
        given_user = None
        while True:
            line = self.rfile.readline(1024)
            if not line:
                return
            parts = line.strip().split(b' ')
            command = parts[0].upper().decode('ascii', 'replace')
            args = [p.decode('latin-1') for p in parts[1:]]
            if command == 'QUIT':
                self.send('+OK bye\r\n')
                return
            if command == 'USER' and args:
                given_user = args[0]
                self.send('+OK\r\n')
            elif command == 'PASS' and args:
                authorised = given_user == user and ' '.join(args) == password
                self.send('+OK logged in\r\n' if authorised else '-ERR wrong password\r\n')
            elif not authorised:
                self.send('-ERR log in first\r\n')
            elif command == 'STAT':
                self.send('+OK %d %d\r\n' % (len(messages), sum(len(m) for m in messages)))
            elif command in ('LIST', 'UIDL') and not args:
                self.send('+OK\r\n')
                for i, m in enumerate(messages, 1):
                    self.send('%d %s\r\n' % (i, len(m) if command == 'LIST' else 'u%d' % i))
                self.send('.\r\n')
            elif command in ('LIST', 'UIDL', 'TOP', 'RETR') and args[0].isdigit() \
                    and 1 <= int(args[0]) <= len(messages):
                n = int(args[0])
                m = messages[n - 1]
                if command == 'LIST':
                    self.send('+OK %d %d\r\n' % (n, len(m)))
                elif command == 'UIDL':
                    self.send('+OK %d u%d\r\n' % (n, n))
                else:
                    lines = m.splitlines(keepends=True)
                    if command == 'TOP':
                        body_lines = int(args[1]) if len(args) > 1 and args[1].isdigit() else 0
                        head_end = lines.index(b'\r\n') if b'\r\n' in lines else len(lines)
                        lines = lines[:head_end + 1 + body_lines]
                    self.send('+OK\r\n')
                    self.send(stuffed(lines))
                    self.send('.\r\n')
            elif command == 'NOOP':
                self.send('+OK\r\n')
            else:
                self.send('-ERR unknown command\r\n')


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main():
    folder, user, password, port, port_file = sys.argv[1:6]
    server = Server(('127.0.0.1', int(port)), Session)
    server.mailbox = (folder, user, password)
    with open(port_file + '.tmp', 'w') as f:
        f.write(str(server.server_address[1]))
    os.replace(port_file + '.tmp', port_file)
    server.serve_forever()


main()
