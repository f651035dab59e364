#!/usr/bin/python3
"""Contact sheet: every sprite of data/bear.res at twice its size, hot spot marked.

    python3 tools/art/contact_sheet.py [--out FILE]   (default /tmp/timberdrive-art/contact_sheet.png)

The sprites are cut from the committed atlases by the script's rects, so the
sheet shows what the game will load. The magenta cross is the hot spot (the
point drawn at the game's position); a sprite whose hot spot lies outside it
gets its tile widened to show where.
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import generate  # noqa: E402  (re-executes with the system python if needed)

import numpy as np  # noqa: E402
from PIL import Image  # noqa: E402

import compose  # noqa: E402
from game_constants import header_constants  # noqa: E402

SCALE = 2
WIDTH = 1800
BG = (34, 38, 46)
CHECK = ((64, 70, 80), (76, 82, 92))
HOT = (255, 0, 255)


def text_image(font, text):
    w = max(1, font.width(text))
    pic = compose.Picture(w, 12, 1, bg=BG)
    font.draw(pic, 0, 0, text, colour=(230, 230, 230))
    return np.clip(pic.px, 0, 255).astype(np.uint8)


def tile(s):
    x0 = min(0, int(np.floor(s.hx)) - 4)
    y0 = min(0, int(np.floor(s.hy)) - 4)
    x1 = max(s.w, int(np.ceil(s.hx)) + 4)
    y1 = max(s.h, int(np.ceil(s.hy)) + 4)
    W, H = (x1 - x0) * SCALE, (y1 - y0) * SCALE
    yy, xx = np.mgrid[0:H, 0:W]
    img = np.where(((xx // 8 + yy // 8) % 2 == 0)[..., None], CHECK[0], CHECK[1]).astype(np.float32)
    big = np.repeat(np.repeat(s.px, SCALE, 0), SCALE, 1).astype(np.float32)
    ox, oy = (-x0) * SCALE, (-y0) * SCALE
    region = img[oy:oy + big.shape[0], ox:ox + big.shape[1]]
    a = big[..., 3:4] / 255.0
    region[:] = region * (1 - a) + big[..., :3] * a
    # Outline of the sprite's rect when the tile is wider than it.
    if (x0, y0, x1, y1) != (0, 0, s.w, s.h):
        img[oy, ox:ox + big.shape[1]] = (120, 120, 140)
        img[oy + big.shape[0] - 1, ox:ox + big.shape[1]] = (120, 120, 140)
        img[oy:oy + big.shape[0], ox] = (120, 120, 140)
        img[oy:oy + big.shape[0], ox + big.shape[1] - 1] = (120, 120, 140)
    hx = int(round((s.hx - x0) * SCALE))
    hy = int(round((s.hy - y0) * SCALE))
    for d in range(-6, 7):
        for px, py in ((hx + d, hy), (hx, hy + d)):
            if 0 <= px < W and 0 <= py < H:
                img[py, px] = HOT
    return img.astype(np.uint8)


def hint_rule(root=generate.ROOT):
    """The year-intro hint and the word an overfished year strikes out, as the game
    has them in forest/screens.h: {name: value} of its HINT_ constants."""
    return header_constants("forest/screens.h", "HINT_", root)


def hint_strike(font, rule):
    """The strike line through the word, measured as the game measures it: (x, y, w, h)."""
    x, w = font.span(rule["HINT_X"], rule["HINT_TEXT"], rule["HINT_FISH_START"], rule["HINT_FISH_LENGTH"])
    return x, rule["HINT_STRIKE_Y"], w, rule["HINT_STRIKE_HEIGHT"]


def intro(sprites, font, year, modifiers=(), overfished=False, t=8.0):
    """The year-intro screen as the game composes it, all texts faded in."""
    pic = compose.Picture(320, 240, 2)
    D = pic.draw
    if year == 1:
        D(sprites["timberdrive"], 41, 7)
    else:
        for x in (104, 216, 72, 248):
            D(sprites["snowflake"], x, 22)
    D(sprites["bear_sleep"], 12, 180)
    if year == 1:
        D(sprites["bear_eyes"], 12, 180)
    else:
        D(sprites["z3"], 78, 162)
    if year == 1:
        font.draw(pic, 160, 48, "Deep Den Dash", 2, (0xBC, 0x33, 0x07))
    else:
        font.draw(pic, 176, 20, "%d" % year, 0, (255, 255, 255))
        font.draw(pic, 136, 20, "Year", 0, (0xCC, 0xCC, 0xCC))
        ys = [48] if len(modifiers) == 1 else [44, 56]
        for y, m in zip(ys, modifiers):
            font.draw(pic, 160, y, m, 2, (0xCC, 0xCC, 0xCC))
    hint = hint_rule()
    font.draw(pic, hint["HINT_X"], hint["HINT_Y"], hint["HINT_TEXT"], 0, (0xCC, 0xCC, 0xCC))
    if overfished:
        pic.rect(*hint_strike(font, hint), (255, 255, 255))
    D(sprites["berry"], 134, 115)
    if overfished:
        D(sprites["berry"], 190, 115)
    else:
        D(sprites["sample_fish"], 160, 109)
    font.draw(pic, 24, 144, "Winter arrives in...", 0, (0xCC, 0xCC, 0xCC))
    font.draw(pic, 256, 162, "%d         " % (6 - year), 1, (255, 255, 255))
    font.draw(pic, 256, 162, "minutes!", 1, (0xCC, 0xCC, 0xCC))
    D(sprites["sample_clock"], 272, 149)
    pic.rect(152, 200, 132, 20, (0xBC, 0x33, 0x07))
    pic.rect(153, 201, 130, 18, (0, 0, 0))
    font.draw(pic, 158, 206, "Click to Drive!", 0, (0xCC, 0xCC, 0xCC))
    D(sprites["mouse_key"], 230, 170)
    return np.clip(pic.px, 0, 255).astype(np.uint8)


def game_over(font):
    pic = compose.Picture(320, 240, 2, bg=(255, 255, 255))
    font.draw(pic, 160, 112, "Game Over", 2, (0x2F, 0x59, 0x63))
    return np.clip(pic.px, 0, 255).astype(np.uint8)


def screens(sprites, font):
    a = intro(sprites, font, 1)
    b = intro(sprites, font, 4, ("The fish have been overfished!", "Your car is a turbo!"),
              overfished=True)
    c = game_over(font)
    gap = np.full((a.shape[0], 8, 3), 128, np.uint8)
    return np.concatenate([a, gap, b, gap, c], axis=1)


def main(argv):
    out = "/tmp/timberdrive-art/contact_sheet.png"
    if "--out" in argv:
        out = argv[argv.index("--out") + 1]
    sprites, fonts, problems = compose.load(generate.ROOT)
    for p in problems:
        print(p)
    font = fonts["f1"]
    tiles = []
    for name, s in sprites.items():
        t = tile(s)
        label = text_image(font, "%s %dx%d hot %g,%g" % (name, s.w, s.h, s.hx, s.hy))
        w = max(t.shape[1], label.shape[1])
        block = np.zeros((t.shape[0] + 16, w, 3), np.uint8)
        block[:] = BG
        block[:t.shape[0], :t.shape[1]] = t
        block[t.shape[0] + 3:t.shape[0] + 3 + label.shape[0], :label.shape[1]] = label
        tiles.append(block)
    pad = 12
    x, y, shelf = pad, pad, 0
    spots = []
    for b in tiles:
        if x + b.shape[1] + pad > WIDTH and x > pad:
            x, y, shelf = pad, y + shelf + pad, 0
        spots.append((x, y))
        x += b.shape[1] + pad
        shelf = max(shelf, b.shape[0])
    sheet = np.zeros((y + shelf + pad, max(WIDTH, max(b.shape[1] for b in tiles) + 2 * pad), 3),
                     np.uint8)
    sheet[:] = BG
    for b, (x, y) in zip(tiles, spots):
        sheet[y:y + b.shape[0], x:x + b.shape[1]] = b
    os.makedirs(os.path.dirname(out) or ".", exist_ok=True)
    Image.fromarray(sheet, "RGB").save(out)
    print("%d sprites -> %s (%d x %d)" % (len(tiles), out, sheet.shape[1], sheet.shape[0]))
    shots = os.path.join(os.path.dirname(out) or ".", "screens.png")
    Image.fromarray(screens(sprites, font), "RGB").save(shots)
    print("year-intro and game-over screens -> %s" % shots)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
