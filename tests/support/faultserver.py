#!/usr/bin/python3
"""An FTP server that misbehaves on purpose, for the fault tests of the engine and ftpbench.

Standard library only. Listens on 127.0.0.1 (port 0 = ephemeral) and prints "PORT <n>" once
it accepts connections. It serves a small directory held in memory: "a.txt" (5,000 bytes of
text lines) and whatever clients store; any user name and password log in.

  --fault NAME         the misbehaviour (below); without one the server behaves
  --reply CMD=TEXT     answer CMD with TEXT instead ("|" separates the lines of a multi-line
                       reply); a transfer command answered so moves no data (repeatable)
  --list-file FILE     answer LIST with the raw bytes of FILE
  --file NAME=PATH     serve the bytes of PATH as NAME (repeatable)
  --abor-silent        never answer ABOR
  --log FILE           append every command line received, and what the fault did, to FILE

Faults:
  final-426     LIST and RETR move the first 1,000 bytes, close the data connection and end
                with "426 Connection closed; transfer aborted." (no 226); STOR takes the data
                and ends the same way
  silent-data   LIST, RETR and STOR answer "150" and then nothing happens on the data
                connection until ABOR
  no-accept     PASV names a listener whose queue is full: a connect to it never completes
  endless-line  the greeting is one line that never ends (up to 64 MiB, then the server hangs up)
  rogue-data    in active mode a data connection from 127.0.0.2 comes first (it sends
                "ROGUE DATA"); the real one follows from 127.0.0.1
"""
import argparse
import asyncio
import socket
import sys

p = argparse.ArgumentParser()
p.add_argument("--port", type=int, default=0)
p.add_argument("--fault", default="")
p.add_argument("--reply", action="append", default=[])
p.add_argument("--list-file")
p.add_argument("--file", action="append", default=[])
p.add_argument("--abor-silent", action="store_true")
p.add_argument("--log")
ARGS = p.parse_args()

REPLIES = {}
for rule in ARGS.reply:
    key, text = rule.split("=", 1)
    REPLIES[key.upper()] = text.split("|")

FILES = {"a.txt": b"".join(b"line %04d of the test file a.txt......\r\n" % i for i in range(125))}
for rule in ARGS.file:
    name, path = rule.split("=", 1)
    with open(path, "rb") as f:
        FILES[name] = f.read()

ENDLESS_LIMIT = 64 * 1024 * 1024
PARTIAL = 1000


def log(text):
    if ARGS.log:
        with open(ARGS.log, "a", encoding="utf-8", errors="replace") as f:
            f.write(text + "\n")


def listing():
    if ARGS.list_file:
        with open(ARGS.list_file, "rb") as f:
            return f.read()
    return b"".join(b"-rw-r--r-- 1 u g %d Jan 01 2020 %s\r\n" % (len(data), name.encode())
                    for name, data in FILES.items())


def full_listener():
    """A listener whose accept queue is full and never drained: a further SYN is dropped."""
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(0)
    fillers = []
    for _ in range(2):
        s = socket.socket()
        s.setblocking(False)
        try:
            s.connect(listener.getsockname())
        except BlockingIOError:
            pass
        fillers.append(s)
    return listener, fillers


class Session:
    def __init__(self, reader, writer):
        self.reader = reader
        self.writer = writer
        self.pasv = None        # passive listener (socket)
        self.keep = []          # sockets kept open on purpose
        self.port_target = None
        self.transfer = None    # the running transfer task
        self.rest = 0

    def send(self, *lines):
        for line in lines:
            self.writer.write(line.encode("utf-8", "surrogateescape") + b"\r\n")

    async def run(self):
        if ARGS.fault == "endless-line":
            await self.endless_greeting()
            return
        self.send("220 Fault server ready.")
        try:
            while True:
                raw = await self.reader.readline()
                if not raw:
                    break
                # Telnet IAC sequences (the abort's interrupt and synch) are not part of the command.
                line = bytes(b for b in raw.rstrip(b"\r\n") if b < 0xF0).decode("latin-1")
                log(line)
                if not await self.command(line):
                    break
                await self.writer.drain()
        except (ConnectionError, asyncio.IncompleteReadError, ValueError):
            pass
        finally:
            self.close_data()
            if self.transfer:
                self.transfer.cancel()
            self.writer.close()

    async def endless_greeting(self):
        chunk = b"220 " + b"x" * (64 * 1024 - 4)
        sent = 0
        try:
            while sent < ENDLESS_LIMIT:
                self.writer.write(chunk)
                await self.writer.drain()
                sent += len(chunk)
                chunk = b"x" * len(chunk)
        except ConnectionError:
            pass
        log("endless line: %d bytes sent" % sent)
        self.writer.close()

    async def command(self, line):
        verb, _, arg = line.partition(" ")
        verb = verb.upper()
        if verb == "ABOR":
            await self.abort()
            return True
        if verb in REPLIES:
            self.send(*REPLIES[verb])
            if verb in ("LIST", "RETR", "STOR", "APPE"):
                # A client that connected already is let go gently: it hears the reply, not a reset.
                asyncio.ensure_future(self.discard_data())
            return True
        if verb == "QUIT":
            self.send("221 Goodbye.")
            await self.writer.drain()
            return False
        handler = getattr(self, "ftp_" + verb, None)
        if handler is None:
            self.send("502 Command not implemented.")
        else:
            await handler(arg)
        return True

    # --- simple commands ---------------------------------------------------------------
    async def ftp_USER(self, arg):
        self.send("331 Password required.")

    async def ftp_PASS(self, arg):
        self.send("230 Logged in.")

    async def ftp_SYST(self, arg):
        self.send("215 UNIX Type: L8")

    async def ftp_TYPE(self, arg):
        self.send("200 Type set to %s." % arg)

    async def ftp_PWD(self, arg):
        self.send('257 "/" is the current directory.')

    async def ftp_CWD(self, arg):
        self.send("250 Directory changed.")

    async def ftp_CDUP(self, arg):
        self.send("250 Directory changed.")

    async def ftp_NOOP(self, arg):
        self.send("200 NOOP ok.")

    async def ftp_REST(self, arg):
        self.rest = int(arg) if arg.isdigit() else 0
        self.send("350 Restarting at %d." % self.rest)

    async def ftp_SIZE(self, arg):
        if arg in FILES:
            self.send("213 %d" % len(FILES[arg]))
        else:
            self.send("550 No such file.")

    async def ftp_DELE(self, arg):
        if FILES.pop(arg, None) is None:
            self.send("550 No such file.")
        else:
            self.send("250 Deleted.")

    # --- data connections --------------------------------------------------------------
    async def ftp_PASV(self, arg):
        self.close_data()
        if ARGS.fault == "no-accept":
            self.pasv, fillers = full_listener()
            self.keep += fillers
        else:
            self.pasv = socket.socket()
            self.pasv.bind(("127.0.0.1", 0))
            self.pasv.listen(1)
        self.pasv.setblocking(False)
        port = self.pasv.getsockname()[1]
        self.send("227 Entering Passive Mode (127,0,0,1,%d,%d)." % (port >> 8, port & 0xFF))

    async def ftp_PORT(self, arg):
        self.close_data()
        parts = arg.split(",")
        self.port_target = (".".join(parts[:4]), int(parts[4]) * 256 + int(parts[5]))
        self.send("200 PORT command successful.")

    def close_data(self):
        if self.pasv:
            self.pasv.close()
            self.pasv = None
        self.port_target = None

    async def open_data(self):
        loop = asyncio.get_running_loop()
        if self.pasv:
            if ARGS.fault == "no-accept":
                await asyncio.Event().wait()  # never accepts
            conn, _ = await asyncio.wait_for(loop.sock_accept(self.pasv), 10)
            self.close_data()
            return conn
        target = self.port_target
        if target is None:
            raise ConnectionError("no PORT or PASV")
        if ARGS.fault == "rogue-data":
            await self.rogue_connection(target)
        conn = socket.socket()
        conn.setblocking(False)
        await loop.sock_connect(conn, target)
        self.close_data()
        return conn

    async def rogue_connection(self, target):
        loop = asyncio.get_running_loop()
        rogue = socket.socket()
        rogue.setblocking(False)
        rogue.bind(("127.0.0.2", 0))
        try:
            await loop.sock_connect(rogue, target)
            await loop.sock_sendall(rogue, b"ROGUE DATA\r\n")
            got = await asyncio.wait_for(loop.sock_recv(rogue, 100), 2)
            log("rogue connection closed by the client" if got == b"" else "rogue connection answered")
        except asyncio.TimeoutError:
            log("rogue connection kept open by the client")
        except ConnectionError:
            log("rogue connection closed by the client")
        finally:
            rogue.close()

    # --- transfers ---------------------------------------------------------------------
    async def ftp_LIST(self, arg):
        self.start_transfer(self.send_data(listing()))

    async def ftp_RETR(self, arg):
        if arg not in FILES:
            self.close_data()
            self.send("550 No such file.")
            return
        data = FILES[arg][self.rest:]
        self.rest = 0
        self.start_transfer(self.send_data(data))

    async def ftp_STOR(self, arg):
        self.start_transfer(self.receive_data(arg))

    def start_transfer(self, coroutine):
        self.transfer = asyncio.ensure_future(self.transfer_guard(coroutine))

    async def transfer_guard(self, coroutine):
        try:
            await coroutine
        except asyncio.CancelledError:
            raise
        except Exception as e:  # the transfer failed: the client hears of it
            log("transfer failed: %r" % e)
            self.send("425 Can't open data connection.")
        finally:
            if self.transfer is asyncio.current_task():
                self.transfer = None

    async def send_data(self, data):
        loop = asyncio.get_running_loop()
        self.send("150 Opening data connection (%d bytes)." % len(data))
        conn = await self.open_data()
        try:
            if ARGS.fault == "silent-data":
                self.keep.append(conn)
                conn = None
                await asyncio.Event().wait()
            if ARGS.fault == "final-426":
                await loop.sock_sendall(conn, data[:PARTIAL])
                conn.close()
                conn = None
                await asyncio.sleep(0.05)
                self.send("426 Connection closed; transfer aborted.")
                return
            await loop.sock_sendall(conn, data)
        finally:
            if conn:
                conn.close()
        self.send("226 Transfer complete.")

    async def receive_data(self, name):
        loop = asyncio.get_running_loop()
        self.send("150 Ok to send data.")
        conn = await self.open_data()
        if ARGS.fault == "silent-data":
            self.keep.append(conn)
            await asyncio.Event().wait()
        received = bytearray()
        try:
            while True:
                chunk = await loop.sock_recv(conn, 65536)
                if not chunk:
                    break
                received += chunk
        finally:
            conn.close()
        FILES[name] = bytes(received)
        log("stored %s: %d bytes" % (name, len(received)))
        if ARGS.fault == "final-426":
            self.send("426 Connection closed; transfer aborted.")
        else:
            self.send("226 Transfer complete.")

    async def discard_data(self):
        loop = asyncio.get_running_loop()
        if not self.pasv:
            self.close_data()
            return
        try:
            conn, _ = await asyncio.wait_for(loop.sock_accept(self.pasv), 2)
        except asyncio.TimeoutError:
            self.close_data()
            return
        self.close_data()
        try:
            while await asyncio.wait_for(loop.sock_recv(conn, 65536), 5):
                pass
        except (asyncio.TimeoutError, ConnectionError):
            pass
        conn.close()

    async def abort(self):
        if ARGS.abor_silent:
            log("ABOR left unanswered")
            return
        if self.transfer:
            self.transfer.cancel()
            self.transfer = None
            for s in self.keep:
                s.close()
            self.keep = []
            self.close_data()
            self.send("426 Transfer aborted.", "226 Abort successful.")
        else:
            self.send("225 No transfer to abort.")


async def main():
    async def handle(reader, writer):
        await Session(reader, writer).run()

    server = await asyncio.start_server(handle, "127.0.0.1", ARGS.port, limit=1 << 20)
    sys.stdout.write("PORT %d\n" % server.sockets[0].getsockname()[1])
    sys.stdout.flush()
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        pass
