#!/usr/bin/python3
"""Reads Xvfb's frame buffer (the XWD file that -fbdir keeps) and writes
parts of it as PNG files, without any imaging library.

  xwd.py pixel FILE X Y           prints the colour at X, Y as RRGGBB
  xwd.py colours FILE X Y W H     prints the colours of the area, most used first
  xwd.py png FILE X Y W H OUT     writes the area as a PNG file
"""
import struct
import sys
import zlib
from collections import Counter


class Frame:
    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        fields = struct.unpack(">25I", data[:100])
        header_size, self.width, self.height = fields[0], fields[4], fields[5]
        self.little = fields[7] == 0
        self.bits = fields[11]
        self.stride = fields[12]
        colours = fields[19]
        self.pixels = data[header_size + colours * 12:]
        if self.bits != 32:
            raise SystemExit(f"{path}: {self.bits} bits per pixel, 32 expected")

    def rgb(self, x, y):
        at = y * self.stride + x * 4
        value = struct.unpack("<I" if self.little else ">I", self.pixels[at:at + 4])[0]
        return (value >> 16) & 255, (value >> 8) & 255, value & 255

    def area(self, x, y, w, h):
        x, y = max(0, x), max(0, y)
        w, h = min(w, self.width - x), min(h, self.height - y)
        return [[self.rgb(x + i, y + j) for i in range(w)] for j in range(h)]


def hexcolour(rgb):
    return "%02X%02X%02X" % rgb


def write_png(rows, out):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in rows)
    with open(out, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def main(argv):
    if len(argv) == 4 and argv[0] == "pixel":
        print(hexcolour(Frame(argv[1]).rgb(int(argv[2]), int(argv[3]))))
        return 0
    if len(argv) == 6 and argv[0] == "colours":
        counts = Counter(px for row in Frame(argv[1]).area(*map(int, argv[2:6])) for px in row)
        print(" ".join(f"{hexcolour(c)}:{n}" for c, n in counts.most_common(8)))
        return 0
    if len(argv) == 7 and argv[0] == "png":
        write_png(Frame(argv[1]).area(*map(int, argv[2:6])), argv[6])
        return 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
