#!/usr/bin/python3
"""FTP firewalls for the tests: an FTP relay on 127.0.0.1 that behaves as SITE and USER@host
firewalls do. Prints "PORT <n>" once it listens.

  --mode site       greets, expects its own USER/PASS, then "SITE host[:port]" opens the
                    connection to the real server, whose greeting goes to the client
  --mode userhost   greets, expects "USER user@host[:port]", connects to the server, swallows
                    its greeting and sends "USER user" on, then relays
Afterwards every line is relayed both ways unchanged; data connections do not pass here.
"""
import argparse
import socket
import sys
import threading

p = argparse.ArgumentParser()
p.add_argument("--mode", choices=["site", "userhost"], required=True)
p.add_argument("--user", default="fwuser")
p.add_argument("--password", default="fwpass")
ARGS = p.parse_args()


def split_target(text):
    host, _, port = text.partition(":")
    return host, int(port) if port else 21


def read_reply(f):
    """Reads one (possibly multi-line) reply; returns its lines."""
    lines = [f.readline()]
    first = lines[0]
    if len(first) > 3 and first[3:4] == b"-":
        code = first[:3]
        while True:
            line = f.readline()
            if not line:
                break
            lines.append(line)
            if line[:3] == code and line[3:4] == b" ":
                break
    return lines


def pump(src, dst):
    try:
        while True:
            data = src.recv(65536)
            if not data:
                break
            dst.sendall(data)
    except OSError:
        pass
    for s in (src, dst):
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def relay(client, server):
    threading.Thread(target=pump, args=(client, server), daemon=True).start()
    pump(server, client)


def serve(client):
    f = client.makefile("rb")
    send = lambda text: client.sendall(text.encode() + b"\r\n")
    send("220 Test firewall ready.")
    logged_in = ARGS.mode == "userhost"
    while True:
        line = f.readline()
        if not line:
            client.close()
            return
        text = line.decode(errors="replace").rstrip("\r\n")
        verb, _, arg = text.partition(" ")
        verb = verb.upper()
        if ARGS.mode == "site":
            if verb == "USER":
                send("331 Firewall password required." if arg == ARGS.user else "530 Unknown firewall user.")
            elif verb == "PASS":
                logged_in = arg == ARGS.password
                send("230 Firewall login ok." if logged_in else "530 Firewall login incorrect.")
            elif verb == "SITE" and logged_in:
                server = socket.create_connection(split_target(arg))
                relay(client, server)
                return
            else:
                send("530 Log in to the firewall first.")
        else:
            if verb == "USER" and "@" in arg:
                user, _, target = arg.rpartition("@")
                server = socket.create_connection(split_target(target))
                sf = server.makefile("rb")
                read_reply(sf)  # the server's greeting stays here
                server.sendall(b"USER " + user.encode() + b"\r\n")
                for reply in read_reply(sf):
                    client.sendall(reply)
                relay(client, server)
                return
            send("530 Use USER user@host.")


def main():
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    sys.stdout.write("PORT %d\n" % listener.getsockname()[1])
    sys.stdout.flush()
    while True:
        client, _ = listener.accept()
        threading.Thread(target=serve, args=(client,), daemon=True).start()


if __name__ == "__main__":
    main()
