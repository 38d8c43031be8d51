#!/usr/bin/python3
"""A pyftpdlib server for the test suites, with switches for the faults tests need.

Listens on 127.0.0.1 (port 0 = ephemeral) and prints "PORT <n>" once it accepts connections.

  --user NAME:PASS:HOME[:PERM]   a user (repeatable); PERM defaults to full rights
  --anonymous HOME               allow anonymous logins, read-only
  --refuse CMD=REPLY             answer CMD with REPLY instead of running it (repeatable;
                                 "CMD*N=REPLY" refuses only the first N times)
  --delay CMD=SECONDS            wait before running CMD (repeatable)
  --drop-after N                 close the control and data connections once, when N bytes of
                                 transfers have moved (a reconnecting client is served again)
  --list-lines FILE              answer LIST with the raw lines of FILE
  --throttle BYTES               limit data transfers to BYTES per second
  --masquerade ADDR              name ADDR in PASV replies
  --command-log FILE             append every received command line to FILE
  --banner TEXT                  greeting text
  --listen ADDR                  listen on ADDR (default 127.0.0.1; "::1" for IPv6)
  --tls PEM                      offer AUTH TLS with the certificate and key in PEM
  --tls-max VERSION              highest TLS version offered: 1.2 or 1.3 (default)
"""
import argparse
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def parse_args():
    p = argparse.ArgumentParser()
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--user", action="append", default=[])
    p.add_argument("--anonymous")
    p.add_argument("--refuse", action="append", default=[])
    p.add_argument("--delay", action="append", default=[])
    p.add_argument("--drop-after", type=int, default=0)
    p.add_argument("--list-lines")
    p.add_argument("--throttle", type=int, default=0)
    p.add_argument("--masquerade")
    p.add_argument("--command-log")
    p.add_argument("--banner", default="pyftpdlib test server ready.")
    p.add_argument("--listen", default="127.0.0.1")
    p.add_argument("--tls")
    p.add_argument("--tls-max", default="1.3")
    return p.parse_args()


ARGS = parse_args()

REFUSALS = {}  # CMD -> [remaining count or None, reply]
for rule in ARGS.refuse:
    key, reply = rule.split("=", 1)
    count = None
    if "*" in key:
        key, n = key.split("*", 1)
        count = int(n)
    REFUSALS[key.upper()] = [count, reply]

DELAYS = {}
for rule in ARGS.delay:
    key, seconds = rule.split("=", 1)
    DELAYS[key.upper()] = float(seconds)

LIST_LINES = None
if ARGS.list_lines:
    with open(ARGS.list_lines, "rb") as f:
        LIST_LINES = f.read()


if ARGS.tls:
    from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler
    BaseDTP = TLS_DTPHandler
    BaseFTP = TLS_FTPHandler
else:
    BaseDTP = ThrottledDTPHandler if ARGS.throttle else DTPHandler
    BaseFTP = FTPHandler


class FaultyDTPHandler(BaseDTP):
    moved = 0
    dropped = False
    read_limit = ARGS.throttle
    write_limit = ARGS.throttle

    def _count(self, n):
        FaultyDTPHandler.moved += n
        if ARGS.drop_after and not FaultyDTPHandler.dropped and FaultyDTPHandler.moved >= ARGS.drop_after:
            FaultyDTPHandler.dropped = True
            control = self.cmd_channel
            self.close()
            control.close()

    def send(self, data):
        n = super().send(data)
        self._count(n or 0)
        return n

    def handle_read(self):
        before = self.tot_bytes_received
        super().handle_read()
        self._count(self.tot_bytes_received - before)


class TestHandler(BaseFTP):
    dtp_handler = FaultyDTPHandler
    banner = ARGS.banner
    auth_failed_timeout = 0.05
    # With a byte limit or a throttle the server must count what it sends, which sendfile()
    # bypasses.
    use_sendfile = not ARGS.drop_after and not ARGS.throttle

    def pre_process_command(self, line, cmd, arg):
        if ARGS.command_log:
            with open(ARGS.command_log, "a", encoding="utf-8", errors="replace") as f:
                f.write(line + "\n")
        rule = REFUSALS.get(cmd.upper())
        if rule is not None and (rule[0] is None or rule[0] > 0):
            if rule[0] is not None:
                rule[0] -= 1
            self.respond(rule[1])
            return
        delay = DELAYS.get(cmd.upper())
        if delay:
            self.ioloop.call_later(delay, BaseFTP.pre_process_command, self, line, cmd, arg)
            return
        BaseFTP.pre_process_command(self, line, cmd, arg)

    def ftp_LIST(self, path):
        if LIST_LINES is None:
            return BaseFTP.ftp_LIST(self, path)
        self.push_dtp_data(LIST_LINES, isproducer=False, cmd="LIST")
        return path


def main():
    authorizer = DummyAuthorizer()
    for spec in ARGS.user:
        parts = spec.split(":")
        name, password, home = parts[0], parts[1], parts[2]
        perm = parts[3] if len(parts) > 3 else "elradfmwMT"
        authorizer.add_user(name, password, home, perm=perm)
    if ARGS.anonymous:
        authorizer.add_anonymous(ARGS.anonymous)
    TestHandler.authorizer = authorizer
    if ARGS.masquerade:
        TestHandler.masquerade_address = ARGS.masquerade
    if ARGS.tls:
        from OpenSSL import SSL
        context = SSL.Context(SSL.TLS_METHOD)
        context.set_min_proto_version(SSL.TLS1_2_VERSION)
        if ARGS.tls_max == "1.2":
            context.set_max_proto_version(SSL.TLS1_2_VERSION)
        context.use_certificate_chain_file(ARGS.tls)
        context.use_privatekey_file(ARGS.tls)
        TestHandler.ssl_context = context
        TestHandler.certfile = ARGS.tls
    server = FTPServer((ARGS.listen, ARGS.port), TestHandler)
    port = server.socket.getsockname()[1]
    sys.stdout.write("PORT %d\n" % port)
    sys.stdout.flush()
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    import logging
    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)
    os.umask(0o022)
    main()
