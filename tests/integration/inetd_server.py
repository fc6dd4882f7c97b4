#!/usr/bin/env python3
"""Serves a mail server that speaks over its standard input and output (inetd
mode) on 127.0.0.1 for the tests of other servers: one server process per
connection, run as USER with GROUP as its group, its error output appended to
LOG.      inetd_server.py PORT_FILE USER GROUP LOG COMMAND...
Writes the port it listens on to PORT_FILE and serves until killed."""
import os
import socketserver
import subprocess
import sys

port_file, user, group, log = sys.argv[1:5]
command = sys.argv[5:]


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        connection = self.request.fileno()
        with open(log, "ab") as errors:
            subprocess.run(
                ["setpriv", "--reuid=" + user, "--regid=" + group, "--clear-groups"] + command,
                stdin=connection, stdout=connection, stderr=errors, check=False)


class Server(socketserver.ForkingTCPServer):
    allow_reuse_address = True


with Server(("127.0.0.1", 0), Handler) as server:
    with open(port_file + ".tmp", "w") as out:
        out.write(str(server.server_address[1]))
    os.rename(port_file + ".tmp", port_file)
    server.serve_forever()
