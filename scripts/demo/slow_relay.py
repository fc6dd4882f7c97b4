#!/usr/bin/env python3
"""A loopback relay in front of the demo server that holds each connection
for a moment before passing it on, so that the character's thinking face can
be seen (a local server answers in a few milliseconds). Logs one line per
connection: "open TIME" and "closed TIME".

  slow_relay.py PORT_FILE TARGET_PORT DELAY_SECONDS LOG
"""
import socket
import sys
import threading
import time


def pipe(source, target):
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            target.sendall(data)
    except OSError:
        pass
    finally:
        for s in (source, target):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


def serve(client, target_port, delay, log):
    log("open")
    time.sleep(delay)
    try:
        server = socket.create_connection(("127.0.0.1", target_port))
    except OSError:
        client.close()
        log("closed")
        return
    back = threading.Thread(target=pipe, args=(server, client), daemon=True)
    back.start()
    pipe(client, server)
    back.join()
    client.close()
    server.close()
    log("closed")


def main():
    port_file, target_port, delay, log_path = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), sys.argv[4]
    lock = threading.Lock()
    log_file = open(log_path, "a")

    def log(event):
        with lock:
            log_file.write("%s %.3f\n" % (event, time.time()))
            log_file.flush()

    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(4)
    with open(port_file, "w") as f:
        f.write("%d\n" % listener.getsockname()[1])
    while True:
        client, _ = listener.accept()
        threading.Thread(target=serve, args=(client, target_port, delay, log), daemon=True).start()


if __name__ == "__main__":
    main()
