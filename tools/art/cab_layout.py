#!/usr/bin/python3
"""Cab layout: the cab drawn as the game draws it, with the cab world's physics
outlines over the sprites, and a check that the dash and seats cover the
picture when the cab tilts.

    python3 tools/art/cab_layout.py [--out DIR]    (default /tmp/timberdrive-art)

Writes DIR/cab_layout.png (the picture at 3x with the outlines: shell, ledge,
wheel rim and spokes, pedals, lever, bear torso and mouth, and the bodies of a
few loose things), DIR/cab_tilt.png (tilted both ways at 0.5 rad, lifted by the
largest bump, uncovered pixels in red) and DIR/windshield.png (a forest view
with cars in all sixteen directions). Exits non-zero when a gap shows.
"""
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import generate  # noqa: E402  (re-executes with the system python if needed)

import numpy as np  # noqa: E402
from PIL import Image  # noqa: E402

import compose  # noqa: E402

U = 16.0
OUTLINE = (255, 40, 220)
SENSOR = (60, 255, 255)
LOOSE = (255, 230, 40)
MAX_BUMP = 0.81          # the largest lift bumpSmooth reaches (repeated hard hits)


def box(x, y, w, h):
    return [(x, y), (x + w, y), (x + w, y + h), (x, y + h)]


def turned(pts, ox, oy, a):
    c, s = math.cos(a), math.sin(a)
    return [(ox + px * c - py * s, oy + px * s + py * c) for px, py in pts]


def circle(cx, cy, r, n=48):
    return [(cx + r * math.cos(2 * math.pi * k / n), cy + r * math.sin(2 * math.pi * k / n))
            for k in range(n)]


def draw_poly(pic, pts, colour, closed=True):
    """pts in cab units; drawn as 1-px lines of the supersampled picture."""
    ss = pic.ss
    q = [pic.to_pic(x * U, y * U) for x, y in pts]
    q = [(x * ss, y * ss) for x, y in q]
    segs = list(zip(q, q[1:] + q[:1])) if closed else list(zip(q, q[1:]))
    H, W = pic.px.shape[:2]
    for (x1, y1), (x2, y2) in segs:
        n = int(max(abs(x2 - x1), abs(y2 - y1))) + 1
        for k in range(n + 1):
            t = k / float(n)
            x, y = int(x1 + (x2 - x1) * t), int(y1 + (y2 - y1) * t)
            if 0 <= x < W and 0 <= y < H:
                pic.px[y, x] = colour


# A cab with a few loose things in it: (sprite, x, y, angle, h scale, v scale) in cab
# units, and the physics outlines of the same bodies.
THINGS = [
    ("clock", 15.0, 5.0, 0.0, 1, 1),
    ("leaf1", 6.0, 5.45, 0.4, 1, 1), ("leaf3", 2.5, 5.5, 2.0, 1, 1),
    ("berry", 11.6, 5.6, 0.0, 1, 1), ("pinecone", 18.6, 5.5, 1.2, 1, 1),
    ("rock3", 16.5, 13.1, 0.3, 2, 2), ("rock1", 9.5, 14.2, 0.0, 2, 2),
    ("fishhead", 3.5, 9.6, 0.15, 1, 1), ("fishtail", 6.65, 10.1, 0.15, 1, 1),
    ("snowball2", 19.0, 13.8, 0.0, 1, 1),
    ("badger_paw", 16.3 - 1.7, 2.5 - 2.0, 0, 1, 1), ("badger_paw", 16.3 + 1.3, 2.5 - 2.0, 0, 1, 1),
    ("badger_paw", 16.3 - 1.7, 2.5 + 2.0, 0, 1, -1), ("badger_paw", 16.3 + 1.3, 2.5 + 2.0, 0, 1, -1),
    ("badger_body", 16.3, 2.5, 0, 1, 1), ("badger_head1", 16.3 - 3.6, 2.5, 0, 1, 1),
    ("bee1", 9.0, 3.0, 0.2, -0.5, 0.5),
]


def thing_outlines(pic):
    draw_poly(pic, circle(15.0, 5.0, 0.99), LOOSE)
    draw_poly(pic, box(15.0 - 1.0, 5.0, 2.0, 1.0), LOOSE)
    for x, y, r in ((6.0, 5.45, 0.5), (2.5, 5.5, 0.5), (11.6, 5.6, 0.4), (18.6, 5.5, 0.5),
                    (16.5, 13.1, 1.9), (9.5, 14.2, 0.8), (19.0, 13.8, 1.2), (9.0, 3.0, 0.5)):
        draw_poly(pic, circle(x, y, r), LOOSE)
    for ox, oy, hw, a in ((3.5, 9.6, 2.0, 0.15), (6.65, 10.1, 1.2, 0.15)):
        draw_poly(pic, turned(box(-hw, -0.5, 2 * hw, 1.0), ox, oy, a), LOOSE)
    draw_poly(pic, box(16.3 - 1.5, 2.5 - 0.7, 3.0, 1.4), LOOSE)
    for dx, dy in ((-3.6, 0), (-1.7, -2), (1.3, -2), (-1.7, 2), (1.3, 2)):
        draw_poly(pic, circle(16.3 + dx, 2.5 + dy, 0.5), LOOSE)


def cab_outlines(pic, st):
    shell = [box(-2, 0, 24, 0.5), box(-2, 15, 24, 0.5), box(-2, -2, 1, 8), box(21, -2, 1, 8),
             box(-2, 6, 1, 9), box(21, 6, 1, 9), box(11.5, 12.5, 3, 2.5)]
    for b in shell:
        draw_poly(pic, b, OUTLINE)
    draw_poly(pic, [(-2, 6), (22, 6)], OUTLINE, closed=False)
    wa = st.get("wheel", 0.0)
    draw_poly(pic, circle(7.25, 7.25, 3.0), OUTLINE)
    draw_poly(pic, turned(box(-2.5, -0.4, 5.0, 0.8), 7.25, 7.25, wa), OUTLINE)
    draw_poly(pic, turned(box(-0.4, 0.0, 0.8, 2.5), 7.25, 7.25, wa), OUTLINE)
    gx, gy = st.get("gas", (8.25, 13.75))
    draw_poly(pic, [(gx + 0.5, gy), (gx + 0.5, gy - 2), (gx + 2, gy - 2), (gx + 2, gy)], OUTLINE)
    bx, by = st.get("brake", (4.75, 13.5))
    draw_poly(pic, [(bx + 0.25, by), (bx + 0.25, by - 1.5), (bx + 2.5, by - 1.5), (bx + 2.5, by)],
              OUTLINE)
    la = st.get("lever", math.pi / 6)
    draw_poly(pic, turned(box(-1.0, -2.5, 2.0, 0.8), 13, 13, la), OUTLINE)
    draw_poly(pic, turned(box(-0.25, -2.1, 0.5, 2.2), 13, 13, la), OUTLINE)
    draw_poly(pic, [(-3 + 2, 7 + 1), (-3 + 5, 7 + 1), (-3 + 7, 7 + 13), (-3 + 0, 7 + 13)], OUTLINE)
    draw_poly(pic, box(-3 + 6.5 - 1.2, 7 + 3.0 - 1.2, 2.4, 2.4), SENSOR)
    # The picture's own edge and the paw's reach.
    draw_poly(pic, box(0, 2, 20, 13), (120, 200, 120))


def forest_objects():
    objs = [("mountain2", -40, 70, 4, None), ("mountain1", 10, 78, 4, None),
            ("mountain4", 45, 66, 4, None), ("mountain3", 80, 40, 4, None),
            ("tree6", -14, 30, 1, None), ("tree3", -6, 18, 2, None), ("tree2", 9, 25, 2, None),
            ("tree1", 3, 12, 2, None), ("tree4", -10, 14, 2, None), ("tree5", 14, 16, 2, None),
            ("tree7", 6, 40, 2, None), ("bush1", -3, 10.5, 2.1, None),
            ("boulder1", 12, 30, 2, None), ("pond1", -1, 22, 2, None),
            ("fishjump2", -1, 22, 2, None), ("cave", -40, 70, 4, None),
            ("tree3", 20, 50, 2, None), ("tree1", -22, 44, 2, None)]
    return objs


def coverage(spr):
    """Uncovered picture pixels when the cab tilts and lifts: the picture must be
    covered below the ledge and above the roof."""
    worst = 0
    masks = {}
    for tilt in np.linspace(-0.5, 0.5, 11):
        for bump in (0.0, 0.4, MAX_BUMP):
            pic = compose.Picture(320, 240, 1)
            pic.set_view(float(tilt), bump)
            cx, cy = pic.to_cab(pic.sx, pic.sy)
            need = (cy >= 96) | (cy < 8)
            have = np.zeros_like(need)
            for name, dx, dy in (("dash", 0, 0), ("seats", 0, -16)):
                s = spr[name]
                ti = np.floor(cx - dx + s.hx).astype(int)
                tj = np.floor(cy - dy + s.hy).astype(int)
                ok = (ti >= 0) & (ti < s.w) & (tj >= 0) & (tj < s.h)
                a = s.px[np.clip(tj, 0, s.h - 1), np.clip(ti, 0, s.w - 1), 3] > 0
                have |= ok & a
            gap = need & ~have
            masks[(round(float(tilt), 2), bump)] = gap
            worst = max(worst, int(gap.sum()))
    return worst, masks


def main(argv):
    outdir = "/tmp/timberdrive-art"
    if "--out" in argv:
        outdir = argv[argv.index("--out") + 1]
    os.makedirs(outdir, exist_ok=True)
    spr, fonts, problems = compose.load(generate.ROOT)
    for p in problems:
        print(p)
    state = dict(paw=(12.2, 9.0), fat=0.5, head="bearhead", speed=9.0, things=THINGS,
                 crumbs=[(0.2, -0.3, -0.5), (0.5, -0.1, 0.3)])
    # 1. The layout at 3x with outlines.
    pic = compose.Picture(320, 240, 3)
    compose.draw_view(pic, spr, "sky1", forest_objects(), 0.3)
    compose.draw_cab(pic, spr, state)
    cab_outlines(pic, state)
    thing_outlines(pic)
    pic.image().save(os.path.join(outdir, "cab_layout.png"))
    # 2. Tilted both ways, lifted, with the gaps (if any) in red; the fat bear with
    # its hat, a growl, the held wheel, and the "Hibernate!" notice at scale 4.
    worst, masks = coverage(spr)
    frames = []
    for tilt, bump, extra in ((0.5, MAX_BUMP, dict(head="growl", hat=True, fat=1.2, antlers=True,
                                                  grip=(8.0, 4.6), wheel=-0.6)),
                              (-0.5, 0.0, dict(head="eat1", fat=-0.2, held=(5.0, 9.2))),
                              (0.0, 0.0, dict(head="eat2", fat=0.8, closed=True))):
        p = compose.Picture(320, 240, 2)
        compose.draw_view(p, spr, "sky3" if tilt < 0 else "sky2", forest_objects(), 0.6)
        st = dict(state)
        st.update(extra, tilt=tilt, bump=bump)
        compose.draw_cab(p, spr, st)
        if tilt == 0.0:
            fonts["f1"].draw(p, 160, 40, "Hibernate!", align=2, colour=(0xBC, 0x33, 0x07), scale=4)
        gap = masks.get((round(tilt, 2), bump))
        if gap is not None and gap.any():
            big = np.repeat(np.repeat(gap, 2, 0), 2, 1)
            p.px[big] = (255, 0, 0)
        frames.append(np.clip(p.px, 0, 255).astype(np.uint8))
    Image.fromarray(np.concatenate(frames, axis=1), "RGB").save(os.path.join(outdir, "cab_tilt.png"))
    # 3. The windshield view: one car straight ahead, turned in each of the
    # sixteen directions (k = 0 drives away, 4 to the left, 8 towards us, 12 to
    # the right), labelled with the view index the game picks.
    tiles = []
    for k in range(16):
        p = compose.Picture(320, 240, 2)
        fwd = math.pi / 2 + k * math.pi / 8      # forward, counterclockwise from straight ahead
        picked = []
        compose.draw_view(p, spr, "sky1", [("escort", 0.0, 8.0, 1, fwd - math.pi / 2)], 0.0,
                          picked=picked)
        idx, mirrored = picked[0]
        names = {0: "driving away", 4: "driving left", 8: "coming toward", 12: "driving right"}
        fonts["f1"].draw(p, 70, 44, "%g deg: %s" % (k * 22.5, names.get(k, "")))
        fonts["f1"].draw(p, 70, 116, "escort%d%s" % (idx, " mirrored" if mirrored else ""))
        img = np.clip(p.px, 0, 255).astype(np.uint8)[80:260, 120:520]
        tiles.append(img)
    rows = [np.concatenate(tiles[r * 4:r * 4 + 4], axis=1) for r in range(4)]
    Image.fromarray(np.concatenate(rows, axis=0), "RGB").save(os.path.join(outdir, "windshield.png"))
    print("cab_layout.png, cab_tilt.png, windshield.png -> %s" % outdir)
    print("uncovered pixels at tilt up to 0.5 rad and lift up to %.2f: %d" % (MAX_BUMP, worst))
    return 1 if (worst or problems) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
