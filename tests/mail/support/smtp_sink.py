#!/usr/bin/env python3
"""An SMTP server on loopback for the mail tests.

Usage: smtp_sink.py FOLDER

Listens on 127.0.0.1 at a port the system picks and writes that port to FOLDER/port
once it accepts connections. Every message it accepts becomes FOLDER/N.envelope (the
sender, then one receiver a line) and FOLDER/N.eml (the message exactly as it came,
CR LF and all), N counting from 1; the .eml appears last and whole. Receivers at the
domain refused.test are answered 550, as a server answers an unknown mailbox.
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


async def main(folder):
    handler = Store(folder)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(lambda: SMTP(handler, hostname="sink.test"), "127.0.0.1", 0)
    port = server.sockets[0].getsockname()[1]
    write_whole(os.path.join(folder, "port"), str(port).encode())
    await server.serve_forever()


if __name__ == "__main__":
    try:
        asyncio.run(main(sys.argv[1]))
    except KeyboardInterrupt:
        pass
