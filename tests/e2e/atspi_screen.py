#!/usr/bin/python3
"""Reads the Velira shell's screen as a screen reader does, through AT-SPI.

  atspi_screen.py text
      prints the text of the screen
  atspi_screen.py wait SECONDS WANTED [UNWANTED]
      waits until the screen holds WANTED; fails when it does not within
      SECONDS, or when the screen that holds it also holds UNWANTED
  atspi_screen.py press KEY SECONDS WANTED [UNWANTED]
      the same, timed from KEY pressed through xdotool; prints the seconds
  atspi_screen.py grid
      checks that the 80th column of the first full line and the 24th row
      lie inside the screen control, by the character extents; prints the
      control's extents, the character cell and the caret's extents
      (x y w h each, screen coordinates)
  atspi_screen.py caret
      prints the caret's extents (x y w h, screen coordinates)

A shell that does not answer (its thread blocked) makes a reading fail; the
waits just read again, so what they time is when the screen became readable.
"""
import subprocess
import sys
import time

import pyatspi


def screen():
    """The shell's screen: the first text control of the application."""
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "velira":
            found = pyatspi.findDescendant(app, lambda o: o.getRole() == pyatspi.ROLE_TEXT)
            if found is not None:
                return found
    return None


def read():
    """The screen's text, or None when the shell does not answer."""
    try:
        control = screen()
        if control is None:
            return None
        text = control.queryText()
        return text.getText(0, text.characterCount)
    except Exception:  # a timeout or a control that went away
        return None


def wait(seconds, wanted, unwanted):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        text = read()
        if text is not None and wanted in text:
            if unwanted and unwanted in text:
                print(f"the screen holds {unwanted!r} already:\n{text}")
                return False
            return True
        time.sleep(0.05)
    print(f"no {wanted!r} on the screen within {seconds} s; it held:\n{read()}")
    return False


def grid():
    control = screen()
    if control is None:
        print("no screen control")
        return 1
    box = control.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    text = control.queryText()
    lines = text.getText(0, text.characterCount).split("\n")
    if len(lines) != 24:
        print(f"the screen has {len(lines)} lines")
        return 1

    def extents(offset):
        return text.getCharacterExtents(offset, pyatspi.DESKTOP_COORDS)

    def inside(e):
        return (box.x <= e[0] and e[0] + e[2] <= box.x + box.width and
                box.y <= e[1] and e[1] + e[3] <= box.y + box.height)

    starts = [0]
    for line in lines[:-1]:
        starts.append(starts[-1] + len(line) + 1)
    full = next((row for row, line in enumerate(lines) if len(line) == 80), None)
    if full is None:
        print("no full line on the screen")
        return 1
    first = extents(starts[full])
    last = extents(starts[full] + 79)
    bottom = extents(starts[23])
    ok = True
    for name, e in (("column 80", last), ("row 24", bottom)):
        if not inside(e) or e[3] <= 0:
            print(f"{name} at {tuple(e)} is not inside the control at "
                  f"{(box.x, box.y, box.width, box.height)}")
            ok = False
    # Column 80 lies 79 cells right of column 1, row 24 23 rows below row 1.
    cell_w = (last[0] - first[0]) / 79
    cell_h = (bottom[1] - extents(starts[0])[1]) / 23
    caret = extents(text.caretOffset) if text.caretOffset < text.characterCount else bottom
    print(box.x, box.y, box.width, box.height, f"{cell_w:.2f}", f"{cell_h:.2f}", *caret[:4])
    return 0 if ok else 1


def caret():
    try:
        text = screen().queryText()
        e = text.getCharacterExtents(text.caretOffset, pyatspi.DESKTOP_COORDS)
    except Exception:  # no screen yet, or a shell that does not answer
        return 1
    print(*e[:4])
    return 0


def main(argv):
    if argv[:1] == ["grid"]:
        return grid()
    if argv[:1] == ["caret"]:
        return caret()
    if argv[:1] == ["text"]:
        print(read())
        return 0
    if argv[:1] == ["wait"] and len(argv) in (3, 4):
        return 0 if wait(float(argv[1]), argv[2], argv[3] if len(argv) == 4 else None) else 1
    if argv[:1] == ["press"] and len(argv) in (4, 5):
        if read() is None:
            print("the screen cannot be read before the key")
            return 1
        subprocess.run(["xdotool", "key", argv[1]], check=True)
        pressed = time.monotonic()
        if not wait(float(argv[2]), argv[3], argv[4] if len(argv) == 5 else None):
            return 1
        print(f"{time.monotonic() - pressed:.2f}")
        return 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
