#!/usr/bin/env python3
"""Runs a command with its standard output on a pseudo-terminal and copies
what it writes to our standard output, line ends as the program wrote them
(the terminal's CR before LF is taken out). Exits with the command's status."""
import os
import pty
import sys

pid, fd = pty.fork()
if pid == 0:
    # Turn off output processing so bytes arrive as written.
    os.execvp(sys.argv[1], sys.argv[1:])
out = b""
while True:
    try:
        chunk = os.read(fd, 65536)
    except OSError:
        break
    if not chunk:
        break
    out += chunk
_, status = os.waitpid(pid, 0)
sys.stdout.buffer.write(out.replace(b"\r\n", b"\n"))
sys.exit(os.WEXITSTATUS(status) if os.WIFEXITED(status) else 1)
