#!/usr/bin/env python3
"""Serves GNU Mailutils' imap4d on 127.0.0.1 for the IMAP tests: one imap4d
per connection in inetd mode, logged in beforehand (PREAUTH) as the mail user,
over a private spool.   imap4d_server.py PORT_FILE CONFIG USER
Writes the port it listens on to PORT_FILE and serves until killed."""
import os
import socket
import socketserver
import subprocess
import sys

port_file, config, user = sys.argv[1:4]


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        connection = self.request.fileno()
        subprocess.run(
            ["setpriv", "--reuid=" + user, "--regid=" + user, "--clear-groups",
             "imap4d", "--inetd", "--preauth", "--config-file=" + config],
            stdin=connection, stdout=connection, stderr=subprocess.DEVNULL, check=False)


class Server(socketserver.ForkingTCPServer):
    allow_reuse_address = True


with Server(("127.0.0.1", 0), Handler) as server:
    with open(port_file + ".tmp", "w") as out:
        out.write(str(server.server_address[1]))
    os.rename(port_file + ".tmp", port_file)
    server.serve_forever()
