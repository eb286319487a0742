#!/usr/bin/env python3
"""Runs a command with its standard input on a pipe set not to block, and
writes FILE into the pipe slowly, a piece at a time with pauses, so that
the command finds the pipe empty. Exits with the command's status.

   nonblock_stdin.py FILE COMMAND..."""
import fcntl
import os
import sys
import time

data = open(sys.argv[1], "rb").read()
r, w = os.pipe()
fcntl.fcntl(r, fcntl.F_SETFL, fcntl.fcntl(r, fcntl.F_GETFL) | os.O_NONBLOCK)
pid = os.fork()
if pid == 0:
    os.dup2(r, 0)
    os.close(r)
    os.close(w)
    os.execvp(sys.argv[2], sys.argv[2:])
os.close(r)
piece = max(1, len(data) // 8)
for i in range(0, len(data), piece):
    time.sleep(0.05)
    os.write(w, data[i:i + piece])
os.close(w)
_, status = os.waitpid(pid, 0)
sys.exit(os.WEXITSTATUS(status) if os.WIFEXITED(status) else 128 + os.WTERMSIG(status))
