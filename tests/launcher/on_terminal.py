#!/usr/bin/env python3
"""Runs a command with its standard error on a pseudo-terminal, as a person at a
terminal would, and its standard output into a file, as a pipe to another
program would. Optionally sends the command one signal once what it printed so
far shows a state (a regular expression found in each stream), as a person
pressing Ctrl-C at that moment would: INT goes to the command's whole process
group, as the terminal sends it; TERM to the command alone, as kill sends it.

  on_terminal.py --stdout FILE --stderr FILE [--signal INT|TERM --when-stdout RE
                 --when-stderr RE] [--limit SECONDS] -- COMMAND...

Prints "exit N" with the command's status. Fails (status 3) when the command
outlives the limit, and (status 4) when the state never showed while it ran.
"""
import argparse
import fcntl
import os
import pty
import re
import select
import signal
import struct
import subprocess
import sys
import termios
import time


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--stdout", required=True)
    ap.add_argument("--stderr", required=True)
    ap.add_argument("--signal", choices=["INT", "TERM"])
    ap.add_argument("--when-stdout", default="")
    ap.add_argument("--when-stderr", default="")
    ap.add_argument("--limit", type=float, default=300)
    ap.add_argument("command", nargs="+")
    a = ap.parse_args()

    master, slave = pty.openpty()
    # A terminal 100 columns wide, as the progress line measures it.
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 30, 100, 0, 0))
    with open(a.stdout, "wb") as out, open(os.devnull, "rb") as nothing:
        # A shell at a terminal starts a command with Ctrl-C's signals at their
        # defaults, whatever this test was started with (a background job of a
        # script inherits them ignored, and bash cannot trap what it inherits ignored).
        child = subprocess.Popen(a.command, stdin=nothing, stdout=out, stderr=slave, start_new_session=True,
                                 preexec_fn=lambda: [signal.signal(s, signal.SIG_DFL)
                                                     for s in (signal.SIGINT, signal.SIGQUIT, signal.SIGHUP)])
    os.close(slave)
    seen = bytearray()
    sent = False
    start = time.monotonic()
    status = None
    while status is None:
        if time.monotonic() - start > a.limit:
            os.kill(child.pid, signal.SIGKILL)
            child.wait()
            print(f"the command did not end within {a.limit:.0f} s")
            sys.exit(3)
        ready, _, _ = select.select([master], [], [], 0.05)
        if ready:
            try:
                seen += os.read(master, 65536)
            except OSError:  # the other end closed: the command is ending
                pass
        if a.signal and not sent:
            with open(a.stdout, "rb") as f:
                printed = f.read().decode("utf-8", "replace")
            if re.search(a.when_stdout, printed, re.M) and re.search(a.when_stderr, seen.decode("utf-8", "replace")):
                if a.signal == "INT":
                    os.killpg(child.pid, signal.SIGINT)
                else:
                    os.kill(child.pid, signal.SIGTERM)
                sent = True
        status = child.poll()
    # What the command left on the terminal after it ended.
    while True:
        ready, _, _ = select.select([master], [], [], 0.1)
        if not ready:
            break
        try:
            chunk = os.read(master, 65536)
        except OSError:
            break
        if not chunk:
            break
        seen += chunk
    with open(a.stderr, "wb") as f:
        f.write(seen)
    print(f"exit {status}")
    if a.signal and not sent:
        print(f"never saw /{a.when_stdout}/ on standard output and /{a.when_stderr}/ on the terminal while it ran")
        sys.exit(4)


if __name__ == "__main__":
    main()
