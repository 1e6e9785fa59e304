#!/usr/bin/env python3
"""An SMTP server on loopback for the mail tests.

Usage: smtp_sink.py FOLDER [REPLY]

Listens on 127.0.0.1 at a port the system picks and writes that port to FOLDER/port
once it accepts connections. Every message it accepts becomes FOLDER/N.envelope (the
sender, then one receiver a line) and FOLDER/N.eml (the message exactly as it came,
CR LF and all), N counting from 1; the .eml appears last and whole. Receivers at the
domain refused.test are answered 550, as a server answers an unknown mailbox.

REPLY chooses what the server does once a message's data has arrived:
  store    (the default) the above
  silent   never answers again, QUIT included, and keeps the connection open
  trickle  answers one byte a second forever, never ending the line
  late     answers every reply from then on completely but slowly, one byte every
           half second (about nine seconds a line)
The last three keep nothing; they are a plain SMTP dialogue of their own, since
aiosmtpd always answers a command with one whole line.
"""
import asyncio
import os
import sys

from aiosmtpd.smtp import SMTP


def write_whole(path, data):
    temporary = path + ".part"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, path)


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower().endswith("@refused.test"):
            return "550 5.1.1 no such mailbox"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, str(self.count))
        lines = [envelope.mail_from or ""] + list(envelope.rcpt_tos)
        write_whole(base + ".envelope", ("\n".join(lines) + "\n").encode())
        write_whole(base + ".eml", envelope.original_content)
        return "250 2.0.0 stored"


async def send_slowly(writer, text, pause):
    for byte in text:
        writer.write(bytes([byte]))
        await writer.drain()
        await asyncio.sleep(pause)


async def after_data(reply, reader, writer):
    """The server's side of the dialogue once the data's closing dot has arrived."""
    if reply == "trickle":
        await send_slowly(writer, b"250 ", 1.0)
        while True:
            await send_slowly(writer, b"x", 1.0)
    if reply == "late":
        await send_slowly(writer, b"250 2.0.0 stored\r\n", 0.5)
    while line := await reader.readline():
        if reply == "late" and line.upper().startswith(b"QUIT"):
            await send_slowly(writer, b"221 2.0.0 bye\r\n", 0.5)
            return
        if reply == "late":
            await send_slowly(writer, b"250 OK\r\n", 0.5)
    # "silent": everything the client still sends is read and left unanswered.


async def dialogue(reply, reader, writer):
    try:
        writer.write(b"220 sink.test ESMTP\r\n")
        in_data = False
        while line := await reader.readline():
            if in_data:
                if line == b".\r\n":
                    await after_data(reply, reader, writer)
                    return
                continue
            verb = line[:4].upper()
            if verb == b"QUIT":
                writer.write(b"221 2.0.0 bye\r\n")
                return
            if verb == b"DATA":
                in_data = True
                writer.write(b"354 end data with <CR><LF>.<CR><LF>\r\n")
            elif verb in (b"EHLO", b"HELO"):
                writer.write(b"250 sink.test\r\n")
            else:
                writer.write(b"250 OK\r\n")
            await writer.drain()
    except ConnectionError:
        pass
    finally:
        writer.close()


async def main(folder, reply):
    loop = asyncio.get_running_loop()
    if reply == "store":
        handler = Store(folder)
        server = await loop.create_server(lambda: SMTP(handler, hostname="sink.test"), "127.0.0.1", 0)
    elif reply in ("silent", "trickle", "late"):
        server = await asyncio.start_server(lambda r, w: dialogue(reply, r, w), "127.0.0.1", 0)
    else:
        sys.exit("unknown reply: " + reply)
    port = server.sockets[0].getsockname()[1]
    write_whole(os.path.join(folder, "port"), str(port).encode())
    await server.serve_forever()


if __name__ == "__main__":
    try:
        asyncio.run(main(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else "store"))
    except KeyboardInterrupt:
        pass
