#!/usr/bin/env python3
"""The far end of a serial line for the Windows-side port tests under Wine.

Makes a pseudo-terminal, prints the path of its terminal side and then answers frames of
"E", a two-byte big-endian length and that many payload bytes by sending the payload back in one
write once all of it has arrived. Anything else is dropped byte by byte. Runs until killed.
The terminal side is held open here too, so that the line does not hang up when the program
under test closes its port between tests.
"""
import os
import sys
import termios
import tty


def main():
    master, terminal = os.openpty()
    tty.setraw(terminal, termios.TCSANOW)
    print(os.ttyname(terminal), flush=True)
    pending = bytearray()
    while True:
        try:
            chunk = os.read(master, 4096)
        except OSError:
            continue
        if not chunk:
            continue
        pending += chunk
        while pending:
            if pending[0] != ord("E"):
                del pending[0]
                continue
            if len(pending) < 3:
                break
            length = (pending[1] << 8) | pending[2]
            if len(pending) < 3 + length:
                break
            os.write(master, bytes(pending[3:3 + length]))
            del pending[:3 + length]


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        sys.exit(0)
