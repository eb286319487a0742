#!/usr/bin/env python3
"""Runs a command with its standard output on a pipe set not to block, and
reads the pipe only after a pause, so that the command meets a full pipe.
Copies what it wrote to our standard output; exits with its status."""
import fcntl
import os
import sys
import time

r, w = os.pipe()
fcntl.fcntl(w, fcntl.F_SETFL, fcntl.fcntl(w, fcntl.F_GETFL) | os.O_NONBLOCK)
pid = os.fork()
if pid == 0:
    os.dup2(w, 1)
    os.close(r)
    os.close(w)
    os.execvp(sys.argv[1], sys.argv[1:])
os.close(w)
time.sleep(0.3)
out = b""
while True:
    chunk = os.read(r, 65536)
    if not chunk:
        break
    out += chunk
_, status = os.waitpid(pid, 0)
sys.stdout.buffer.write(out)
sys.exit(os.WEXITSTATUS(status) if os.WIFEXITED(status) else 128 + os.WTERMSIG(status))
