#!/usr/bin/python3
"""Tells what a 640 x 480 picture of the game's window shows, for the install check.

    xwd -id WINDOW | python3 tools/screen_check.py title   exit 0 on the title screen
    xwd -id WINDOW | python3 tools/screen_check.py play    exit 0 on the play view

The title screen is mostly black with the orange-brown word TIMBERDRIVE across its
top; the play view (the cab with the forest through the windshield) has almost no
black. Reads X window dumps (XWD, 24 or 32 bits per pixel) without other modules.
"""
import struct
import sys


def read_xwd(data):
    """(width, height, rows) where rows[y] is a bytes object of R, G, B triples."""
    h = struct.unpack(">25I", data[:100])
    header_size, fmt, width, height = h[0], h[2], h[4], h[5]
    byte_order, bpp, bytes_per_line, ncolors = h[7], h[11], h[12], h[19]
    if fmt != 2 or bpp not in (24, 32):
        raise SystemExit("not a 24 or 32 bit ZPixmap dump")
    n = bpp // 8
    offset = header_size + ncolors * 12
    if len(data) < offset + height * bytes_per_line:
        raise SystemExit("dump cut short")
    rows = []
    for y in range(height):
        line = data[offset + y * bytes_per_line:offset + y * bytes_per_line + width * n]
        if byte_order == 0:  # least significant byte first: B, G, R(, x)
            r, g, b = line[2::n], line[1::n], line[0::n]
        else:
            r, g, b = line[n - 3::n], line[n - 2::n], line[n - 1::n]
        rows.append((r, g, b))
    return width, height, rows


def dark_share(rows):
    dark = total = 0
    for r, g, b in rows:
        for i in range(len(r)):
            total += 1
            if r[i] < 24 and g[i] < 24 and b[i] < 24:
                dark += 1
    return dark / max(total, 1)


def title_word_pixels(rows, width, height):
    """Orange-brown pixels in the band where the title's word is drawn."""
    count = 0
    for r, g, b in rows[height * 4 // 100:height * 16 // 100]:
        for i in range(width // 8, width * 7 // 8):
            if r[i] > 120 and r[i] > g[i] + 30 and g[i] > b[i]:
                count += 1
    return count


def main(argv):
    if len(argv) != 2 or argv[1] not in ("title", "play"):
        print(__doc__.strip())
        return 2
    width, height, rows = read_xwd(sys.stdin.buffer.read())
    if (width, height) != (640, 480):
        print("window is %d x %d" % (width, height))
        return 1
    dark = dark_share(rows)
    word = title_word_pixels(rows, width, height)
    print("dark %.2f, title word pixels %d" % (dark, word))
    if argv[1] == "title":
        return 0 if dark > 0.6 and word > 2000 else 1
    return 0 if dark < 0.35 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
