#!/usr/bin/env python3
"""A braille display for the end-to-end tests: BRLTTY's TTY driver on a
pseudo-terminal, with no screen driver, and a private BrlAPI host.

Usage: brltty_pty.py FOLDER HOST_NUMBER

BRLTTY's driver draws the display on the terminal: a line of text and
below it the cells as Unicode braille (dots 1 to 8 are the bits 0x01 to
0x80 above U+2800). Every complete picture is written to FOLDER/display as
three lines: the text, the cells, and the cursor cell (the first cell with
dots 7 and 8, which BRLTTY adds for the cursor; -1 for none). Bytes written
to the FIFO FOLDER/keys reach the terminal as typed keys (the driver's
arrow keys pan and move by lines). Runs until SIGTERM, then stops BRLTTY.
"""
import ctypes
import os
import pty
import re
import select
import signal
import subprocess
import sys

folder, host = sys.argv[1], sys.argv[2]
CELLS = 40  # the driver's default width
ESCAPE = re.compile(r"\x1b(\[[0-9;?]*[A-Za-z@]|[()][0-9A-Za-z]|[=>])|[\x00-\x1f]")


def die_with_parent():
    # BRLTTY must not outlive this script, however it ends.
    ctypes.CDLL("libc.so.6").prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


master, slave = pty.openpty()
environment = dict(os.environ, TERM="vt100", LANG="C.UTF-8", LC_ALL="C.UTF-8")
with open(os.path.join(folder, "brltty.log"), "w") as log:
    brltty = subprocess.Popen(
        ["brltty", "-n", "-e", "-q", "-b", "tt", "-d", os.ttyname(slave), "-x", "no", "-s", "no",
         "-A", "auth=none,host=:" + host, "-f", "/dev/null", "-W", folder],
        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=log, env=environment,
        preexec_fn=die_with_parent)

keys_path = os.path.join(folder, "keys")
os.mkfifo(keys_path)
# Read and write: the FIFO never reports an end when a writer closes it.
keys = os.open(keys_path, os.O_RDWR | os.O_NONBLOCK)

running = True


def stop(*_):
    global running
    running = False


signal.signal(signal.SIGTERM, stop)
signal.signal(signal.SIGINT, stop)

shown = None
pending = ""
decoder = __import__("codecs").getincrementaldecoder("utf-8")("replace")
while running and brltty.poll() is None:
    try:
        ready, _, _ = select.select([master, keys], [], [], 0.2)
    except InterruptedError:
        continue
    if keys in ready:
        data = os.read(keys, 4096)
        if data:
            os.write(master, data)
    if master not in ready:
        continue
    pending += decoder.decode(os.read(master, 65536))
    # Each picture starts by clearing the terminal.
    start = pending.rfind("\x1b[J")
    while start >= 0:
        frame = pending[start + 3:]
        first = next((i for i, ch in enumerate(frame) if 0x2800 <= ord(ch) <= 0x28FF), -1)
        if first < 0 or len(frame) < first + CELLS or not all(
                0x2800 <= ord(ch) <= 0x28FF for ch in frame[first:first + CELLS]):
            # Not complete yet: try the picture before it.
            start = pending.rfind("\x1b[J", 0, start)
            continue
        text = ESCAPE.sub("", frame[:first]).rstrip()
        cells = frame[first:first + CELLS]
        cursor = next((i for i, ch in enumerate(cells) if (ord(ch) - 0x2800) & 0xC0 == 0xC0), -1)
        picture = "%s\n%s\n%d\n" % (text, cells, cursor)
        if picture != shown:
            shown = picture
            with open(os.path.join(folder, "display.new"), "w", encoding="utf-8") as out:
                out.write(picture)
            os.replace(os.path.join(folder, "display.new"), os.path.join(folder, "display"))
        pending = pending[start:]
        break
    if len(pending) > 1 << 20:
        pending = pending[-4096:]

brltty.terminate()
try:
    brltty.wait(timeout=10)
except subprocess.TimeoutExpired:
    brltty.kill()
    brltty.wait()
