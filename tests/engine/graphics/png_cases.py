#!/usr/bin/python3
"""Writes png_cases.h: small PNGs of every colour type and bit depth, with and
without a transparent colour, each with the ARGB pixels Pillow (a decoder other
than the engine's) reads from it. Also writes PNG seeds holding every chunk kind,
whole and cut short, into the image fuzz corpus. Run once; the output is kept.
"""
import io
import os
import struct
import zlib

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "..", "..", "fuzz", "corpus", "image_fuzz")
W, H = 5, 3
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def pack_row(samples, depth):
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    if depth == 8:
        return bytes(samples)
    out, acc, bits = bytearray(), 0, 0
    for s in samples:
        acc, bits = (acc << depth) | s, bits + depth
        if bits == 8:
            out.append(acc)
            acc, bits = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


def adam7(rows, w, h):
    """The interlaced passes of rows of samples (one list per pixel)."""
    passes = []
    for x0, y0, dx, dy in ((0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)):
        sub = [[rows[y][x] for x in range(x0, w, dx)] for y in range(y0, h, dy)]
        passes.append([r for r in sub if r])
    return passes


def png(colour, depth, pixels, palette=None, trns=None, extra=b"", interlace=0, later=b"", last=b""):
    """pixels: H rows of W pixels, each a tuple of samples."""
    ihdr = struct.pack(">IIBBBBB", W, H, depth, colour, 0, 0, interlace)
    rows = [[s for p in row for s in p] for row in pixels]
    if interlace:
        raw = b"".join(b"\0" + pack_row([s for p in r for s in p], depth)
                       for sub in adam7(pixels, W, H) for r in sub)
    else:
        raw = b"".join(b"\0" + pack_row(r, depth) for r in rows)
    body = chunk(b"IHDR", ihdr) + extra
    if palette:
        body += chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    if trns is not None:
        body += chunk(b"tRNS", trns)
    body += later + chunk(b"IDAT", zlib.compress(raw)) + last
    return b"\x89PNG\r\n\x1a\n" + body + chunk(b"IEND", b"")


def expected(data, colour, depth, key):
    """ARGB words as Pillow decodes the file. Pillow leaves a grey key unscaled and
    16-bit grey unreduced, so those two are finished here from its samples."""
    im = Image.open(io.BytesIO(data))
    im.load()
    out = []
    if colour == 0:
        for v in im.getdata():
            raw = v if depth == 16 else (v * ((1 << depth) - 1) + 127) // 255
            g = v >> 8 if depth == 16 else v
            a = 0 if key is not None and raw == key else 255
            out.append((a << 24) | (g << 16) | (g << 8) | g)
        return out
    for r, g, b, a in im.convert("RGBA").getdata():
        out.append((a << 24) | (r << 16) | (g << 8) | b)
    return out


def cases():
    top = lambda d: (1 << d) - 1
    for depth in (1, 2, 4, 8, 16):
        grey = [[((x + y * W) * 5) % (top(depth) + 1) for x in range(W)] for y in range(H)]
        if depth == 16:
            grey = [[v * 4099 % 65536 for v in row] for row in grey]
        for key in (None, grey[1][2]):
            trns = None if key is None else struct.pack(">H", key)
            yield "grey%d%s" % (depth, "_key" if trns else ""), 0, depth, [[(v,) for v in r] for r in grey], None, trns, key
        if depth == 16:
            # Same high byte as the key, another low byte: stays opaque.
            near = [[(v,) for v in r] for r in grey]
            near[0][0] = (grey[1][2] ^ 1,)
            yield "grey16_near_key", 0, 16, near, None, struct.pack(">H", grey[1][2]), grey[1][2]
    for depth in (1, 2, 4, 8):
        n = min(top(depth) + 1, 7)
        palette = [(40 * i, 255 - 30 * i, (90 * i) % 256) for i in range(n)]
        idx = [[(x * 3 + y) % n for x in range(W)] for y in range(H)]
        for trns in (None, bytes([0, 128, 255][: min(n, 3)])):
            yield "palette%d%s" % (depth, "_trns" if trns else ""), 3, depth, [[(i,) for i in r] for r in idx], palette, trns, None
    for depth in (8, 16):
        scale = 257 if depth == 16 else 1
        rgb = [[((x * 50) * scale, (y * 100) * scale, ((x + y) * 30) * scale) for x in range(W)] for y in range(H)]
        for trns in (None, struct.pack(">HHH", *rgb[2][1])):
            yield "rgb%d%s" % (depth, "_key" if trns else ""), 2, depth, rgb, None, trns, None
        la = [[((x * 60) * scale, (y * 120 + x) * scale) for x in range(W)] for y in range(H)]
        yield "grey_alpha%d" % depth, 4, depth, la, None, None, None
        rgba = [[(x * 60 * scale, y * 100 * scale, 200 * scale, (x * 40 + y * 30) * scale) for x in range(W)] for y in range(H)]
        yield "rgba%d" % depth, 6, depth, rgba, None, None, None


def main():
    lines = ["// Generated by png_cases.py: PNGs of every colour type and bit depth and the",
             "// ARGB pixels Pillow reads from them.", "#pragma once", "", "#include <cstdint>", "",
             "struct PngCase {", "    const char* name;", "    const char* hex;", "    uint32_t argb[%d];" % (W * H),
             "};", "", "constexpr int PNG_CASE_W = %d, PNG_CASE_H = %d;" % (W, H), "", "const PngCase PNG_CASES[] = {"]
    for name, colour, depth, pixels, palette, trns, key in cases():
        for interlace in ((0, 1) if name in ("rgba8", "grey2_key") else (0,)):
            data = png(colour, depth, pixels, palette, trns, interlace=interlace)
            words = ", ".join("0x%08X" % w for w in expected(data, colour, depth, key))
            lines.append('    {"%s%s", "%s",' % (name, "_interlaced" if interlace else "", data.hex()))
            lines.append("     {%s}}," % words)
    lines += ["};", ""]
    with open(os.path.join(HERE, "png_cases.h"), "w") as f:
        f.write("\n".join(lines))

    # Fuzz seeds: every ancillary chunk kind before and after the palette, then the
    # same file cut short inside each chunk.
    text = chunk(b"tEXt", b"Title\0bear") + chunk(b"zTXt", b"Note\0\0" + zlib.compress(b"forest")) + \
        chunk(b"iTXt", b"Author\0\0\0en\0Autor\0bear")
    before = chunk(b"gAMA", struct.pack(">I", 45455)) + chunk(b"cHRM", struct.pack(">8I", 31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000)) + \
        chunk(b"sRGB", b"\0") + chunk(b"sBIT", b"\x08\x08\x08") + chunk(b"pHYs", struct.pack(">IIB", 2835, 2835, 1)) + \
        chunk(b"tIME", struct.pack(">HBBBBB", 2026, 12, 7, 12, 0, 0)) + chunk(b"oFFs", struct.pack(">iiB", 1, 2, 0)) + text
    iccp = chunk(b"iCCP", b"icc\0\0" + zlib.compress(b"\0" * 128))
    palette = [(10 * i, 20 * i, 30 * i) for i in range(7)]
    idx = [[((x + y) % 7,) for x in range(W)] for y in range(H)]
    seeds = {
        "chunks_palette.png": png(3, 8, idx, palette, b"\0\x80", before, later=chunk(b"sPLT", b"s\0\x08" + b"\1\2\3\4\0\1") +
                                  chunk(b"hIST", b"\0\1" * 7) + chunk(b"bKGD", b"\2"), last=text),
        "chunks_grey_key.png": png(0, 4, [[(x,) for x in range(W)]] * H, None, b"\0\3", iccp + before,
                                   later=chunk(b"bKGD", b"\0\1"), last=text),
        "chunks_rgb.png": png(2, 8, [[(x, 2 * x, 3 * x) for x in range(W)]] * H, None, b"\0\1\0\2\0\3",
                              before, later=chunk(b"bKGD", b"\0\1\0\2\0\3"), last=text),
    }
    with open(os.path.join(HERE, "png_cases.h"), "a") as f:
        f.write("// Every ancillary chunk kind (the fuzz seed chunks_palette.png).\n")
        f.write('const char PNG_ALL_CHUNKS_HEX[] = "%s";\n' % seeds["chunks_palette.png"].hex())
    for name, data in seeds.items():
        with open(os.path.join(CORPUS, name), "wb") as f:
            f.write(data)
    whole = seeds["chunks_palette.png"]
    at = 8
    while at < len(whole):
        length, kind = struct.unpack(">I4s", whole[at:at + 8])
        with open(os.path.join(CORPUS, "cut_in_%s.png" % kind.decode()), "wb") as f:
            f.write(whole[:at + 8 + length // 2 + 1])
        at += 12 + length


if __name__ == "__main__":
    main()
