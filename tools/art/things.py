"""Loose things of the cab: food, debris, snowballs, the clock, the badger and bees.

Each is drawn about its body's origin (the hot spot), at the size its physics
shapes have at the scale the game draws it with: fish at their size factor
(1.0 here), rocks at scale 2, bees at 0.5, everything else at 1; one cab unit is
16 px.
"""
import math

from palette import (LEAF_RED, LEAF_BROWN, LEAF_YELLOW, LEAF_ORANGE, LEAF_LINE, STONE, SNOW,
                     SNOW_LINE, WOOD, FISH, FISH_BELLY, FISH_LINE, BONE, BADGER, BADGER_DARK,
                     WHITE_FUR, BEE, BEE_DARK, WING, BERRY, CREAM, PLASTIC)
from pixel import Canvas, cut, shift, Rng

U = 16.0


# --- leaves (radius 0.5) -----------------------------------------------------------
def _leaf(name, ramp, shape, seed):
    c = Canvas(-9, -9, 18, 18)
    if shape == "maple":
        pts = []
        for i in range(10):
            a = -math.pi / 2 + i * 2 * math.pi / 10
            r = 7.8 if i % 2 == 0 else 3.6
            if i in (4, 6):
                r = 5.6 if i == 4 else 5.6
            pts.append((math.cos(a) * r, math.sin(a) * r - 0.5))
        m = c.poly(pts)
    elif shape == "oak":
        m = c.ellipse(0, -0.5, 4.2, 7)
        for s in (-1, 1):
            for y in (-4, 0, 4):
                m |= c.circle(s * 3.6, y - 0.5, 2.6)
    elif shape == "birch":
        m = c.poly([(0, -7.5), (4.5, -3), (5.5, 1), (3, 5), (0, 6.5), (-3, 5), (-5.5, 1),
                    (-4.5, -3)])
    else:  # aspen: round with a point
        m = c.circle(0, 0.5, 5.6) | c.poly([(-2.5, -3), (0, -7.8), (2.5, -3)])
    c.pillow(m, ramp, radius=3)
    vein = c.line(0, -6, 0, 7.5, 1.0)
    c.fill(vein & m, ramp[0])
    c.fill(c.line(0, 5, 0, 8.5, 1.0), ramp[0])         # stalk
    for s in (-1, 1):
        c.fill(c.line(0, -1, s * 3.5, -4, 0.9) & m, ramp[1])
        c.fill(c.line(0, 2, s * 3.5, -0.5, 0.9) & m, ramp[1])
    c.speckle(m, ramp[0], 0.05, seed)
    c.outline(LEAF_LINE)
    return cut(name, c, (0, 0))


def leaves():
    return [_leaf("leaf1", LEAF_RED, "maple", 201), _leaf("leaf2", LEAF_BROWN, "oak", 202),
            _leaf("leaf3", LEAF_YELLOW, "birch", 203), _leaf("leaf4", LEAF_ORANGE, "aspen", 204)]


def pinecone():
    c = Canvas(-7, -9, 14, 18)
    body = c.ellipse(0, 0.5, 5, 7.5)
    ramp = [0x2a1608, 0x4a2a12, 0x6e4220, 0x8e5c30]
    c.fill(body, ramp[1])
    for row in range(-6, 8, 3):
        off = 1.5 if (row // 3) % 2 else 0
        for x in (-4.5, -1.5, 1.5, 4.5):
            s = c.ellipse(x + off, row, 2.0, 1.6) & body
            c.fill(s, ramp[2])
            c.fill(s & ~shift(s, 0, -1), ramp[3])
            c.fill(s & ~shift(s, 0, 1), ramp[0])
    c.fill(c.rect(-1, -9, 1, -6), ramp[0])
    c.outline(0x1a0c04)
    return cut("pinecone", c, (0, 0))


def berry():
    # A sprig of three berries within the body's radius of 0.4 (6.4 px).
    c = Canvas(-7, -7, 14, 14)
    for cx, cy, r in ((-2.3, 1.8, 3.3), (2.6, 1.6, 3.1), (0.2, -2.2, 3.1)):
        b = c.circle(cx, cy, r)
        c.sphere(b, cx, cy, r, BERRY[1:], cuts=(-0.2, 0.5, 0.9))
        c.fill(c.circle(cx - 1, cy - 1.2, 0.8) & b, BERRY[4])
    leaf = c.poly([(0.5, -4.5), (3.5, -6.5), (5.5, -5.5), (3, -3.5)])
    c.fill(leaf, 0x3e6a20)
    c.fill(leaf & ~shift(leaf, 0, 1), 0x6a9a34)
    c.outline(BERRY[0])
    return cut("berry", c, (0, 0))


# --- rocks: drawn at scale 2, radii 0.8, 1.2, 1.9 units = 6.4, 9.6, 15.2 sprite px ----
def _rock(name, r, seed):
    n = int(math.ceil(r)) + 2
    c = Canvas(-n, -n, 2 * n, 2 * n)
    rng = Rng(seed)
    pts = []
    k = 7 if r < 8 else 9
    for i in range(k):
        a = 2 * math.pi * i / k + rng.range(-0.2, 0.2)
        rr = r * rng.range(0.86, 1.04)
        pts.append((math.cos(a) * rr, math.sin(a) * rr))
    m = c.poly(pts)
    c.pillow(m, STONE, radius=max(2.0, r * 0.45), cuts=(0.1, 0.3))
    # A facet line and a few flecks.
    c.fill(c.line(pts[0][0] * 0.3, pts[0][1] * 0.3, pts[3][0] * 0.5, pts[3][1] * 0.5, 1.0) & m,
           STONE[1])
    c.speckle(m, STONE[4], 0.05, seed)
    c.outline(0x1a1818)
    return cut(name, c, (0, 0))


def rocks():
    return [_rock("rock1", 6.4, 301), _rock("rock2", 9.6, 302), _rock("rock3", 15.2, 303)]


# --- snowballs: radius (0.5 k + 1) x 0.8 units ---------------------------------------
def _snowball(name, r, seed):
    n = int(math.ceil(r)) + 1
    c = Canvas(-n, -n, 2 * n, 2 * n)
    m = c.circle(0, 0, r - 0.3)
    c.sphere(m, 0, 0, r, SNOW, cuts=(-0.45, -0.05, 0.35, 0.75))
    c.speckle(m, SNOW[1], 0.04, seed)
    c.speckle(m & c.circle(-r * 0.3, -r * 0.3, r * 0.6), SNOW[4], 0.08, seed + 1)
    c.outline(SNOW_LINE)
    return cut(name, c, (0, 0))


def snowballs():
    return [_snowball("snowball%d" % (k + 1), (0.5 * k + 1) * 0.8 * U, 310 + k) for k in range(3)]


# --- fish: head box 2 x 0.5 size, tail box 1.2 x 0.5 size at (3.2 size, 0) ---------
# At size 1: the head spans x -32..32, y -8..8 about its origin; the tail x -19..19
# about its own origin, the hinge at the head's right end (the tail's left end).
def _fish_head(c, bitten=False, bones=False):
    body = c.poly([(-31, 1), (-27, -5), (-18, -8), (0, -8.5), (20, -7.5), (32, -6), (32, 6),
                   (20, 7.5), (0, 8.5), (-18, 8), (-27, 5)])
    if bones:
        skull = c.poly([(-31, 1), (-27, -5), (-18, -7.5), (-12, -7), (-12, 7), (-18, 7.5),
                        (-27, 5)])
        c.pillow(skull, BONE, radius=3)
        c.fill(c.circle(-21, -2, 2.4), FISH_LINE)
        spine = c.rect(-12, -1, 32, 1)
        c.fill(spine, BONE[1])
        for x in range(-8, 32, 5):
            c.fill(c.line(x, -6.5, x + 2, 0, 1.1) | c.line(x, 6.5, x + 2, 0, 1.1), BONE[2])
        c.outline(FISH_LINE)
        return
    c.pillow(body, FISH, radius=4, light=(-0.3, -0.9, 0.4))
    belly = body & c.rect(-40, 3, 40, 10)
    c.fill(belly, FISH_BELLY[1])
    c.fill(belly & ~shift(belly, 0, -1), FISH_BELLY[2])
    for x in range(-10, 32, 5):
        for y in (-4, 0):
            c.fill(c.circle(x + (2 if y else 0), y, 0.8) & body, FISH[1])
    c.fill(c.line(-18, -6, -15, 0, 1.0) | c.line(-15, 0, -18, 6, 1.0), FISH[1])   # gill
    c.fill(c.circle(-23, -2, 2.3), FISH_BELLY[2])
    c.fill(c.circle(-23, -2, 1.2), FISH_LINE)
    c.fill(c.line(-31, 2, -26, 3, 1.0), FISH_LINE)
    fin = c.poly([(-6, -8), (4, -12), (12, -8)])
    c.fill(fin, FISH[2])
    if bitten:
        bite = c.circle(35, -3, 5) | c.circle(34, 4, 5)
        c.clear(bite)
        edge = c.alpha() & (shift(bite, 1, 0) | shift(bite, -1, 0))
        c.fill(edge & body, 0xc86a5a)
        c.fill(c.rect(22, -1, 30, 1) & c.alpha(), BONE[2])
    c.outline(FISH_LINE)


def _fish_tail(c, bitten=False, bones=False):
    body = c.poly([(-19, -6), (0, -5), (8, -3), (12, -2), (19, -9), (21, -9), (18, 0),
                   (21, 9), (19, 9), (12, 2), (8, 3), (0, 5), (-19, 6)])
    if bones:
        c.fill(c.rect(-19, -1, 12, 1), BONE[1])
        for x in range(-17, 10, 5):
            c.fill(c.line(x, -5, x + 2, 0, 1.1) | c.line(x, 5, x + 2, 0, 1.1), BONE[2])
        fin = c.poly([(10, -1), (19, -8), (21, -8), (18, 0), (21, 8), (19, 8), (10, 1)])
        c.fill(fin, BONE[0])
        c.outline(FISH_LINE)
        return
    c.pillow(body, FISH, radius=3, light=(-0.3, -0.9, 0.4))
    tailfin = body & c.rect(11, -10, 22, 10)
    c.fill(tailfin, FISH[2])
    for y in (-5, -2, 2, 5):
        c.fill(c.line(12, y * 0.3, 19, y * 1.5, 0.9) & tailfin, FISH[1])
    belly = body & c.rect(-20, 2.5, 9, 10)
    c.fill(belly, FISH_BELLY[1])
    for x in range(-17, 8, 5):
        c.fill(c.circle(x, -2, 0.8) & body, FISH[1])
    c.fill(c.poly([(-8, 5), (0, 9), (2, 5)]), FISH[2])
    if bitten:
        bite = c.circle(-23, -3, 5) | c.circle(-22, 4, 5)
        c.clear(bite)
        edge = c.alpha() & (shift(bite, 1, 0) | shift(bite, -1, 0))
        c.fill(edge, 0xc86a5a)
    c.outline(FISH_LINE)


def fish():
    out = []
    for name, fn, kw in (("fishhead", _fish_head, {}), ("fishhead_half", _fish_head, {"bitten": True}),
                         ("bonehead", _fish_head, {"bones": True}), ("fishtail", _fish_tail, {}),
                         ("fishtail_half", _fish_tail, {"bitten": True}),
                         ("bonetail", _fish_tail, {"bones": True})):
        c = Canvas(-34, -14, 68, 28) if "head" in name else Canvas(-24, -12, 48, 24)
        fn(c, **kw)
        out.append(cut(name, c, (0, 0)))
    return out


# --- the clock: a circle of radius 0.99 and a box 1.0 x 0.5 centred 0.5 below ----
def clock():
    c = Canvas(-18, -18, 36, 36)
    base = c.rect(-16, 0, 16, 16)
    c.bevel(base, WOOD, width=2)
    c.fill(c.rect(-16, 13, 16, 14), WOOD[1])
    c.fill(c.rect(-14, 14, -10, 16) | c.rect(10, 14, 14, 16), WOOD[0])
    rim = c.circle(0, 0, 15.8)
    c.sphere(rim, 0, 0, 16, [WOOD[1], WOOD[2], WOOD[3], WOOD[4]], cuts=(0.0, 0.5, 0.85))
    face = c.circle(0, 0, 12.5)
    c.fill(face, CREAM[2])
    c.fill(face & ~c.circle(-1, -1, 12.5), CREAM[0])
    for i in range(12):
        a = i * math.pi / 6
        dx, dy = math.sin(a), -math.cos(a)
        r0 = 8.5 if i % 3 == 0 else 10
        c.fill(c.line(dx * r0, dy * r0, dx * 11.2, dy * 11.2, 1.3), PLASTIC[1])
    # Winter comes when the hand is back at the top: a snowflake marks it.
    for k in range(3):
        a = k * math.pi / 3
        dx, dy = math.cos(a) * 2.6, math.sin(a) * 2.6
        c.fill(c.line(-dx, -7 - dy, dx, -7 + dy, 1.0), 0x3c6ab4)
    c.fill(c.circle(0, 0, 1.8), NEEDLE_DARK)
    c.outline(0x1a0e06)
    return cut("clock", c, (0, 0))


NEEDLE_DARK = 0x8a1c08


def clock_minute():
    # Points up at rotation 0; turns about the clock's centre.
    c = Canvas(-3, -12, 6, 15)
    hand = c.poly([(-1.2, 1.5), (-1.2, -7), (0, -11), (1.2, -7), (1.2, 1.5)])
    c.fill(hand, 0xb82a10)
    c.fill(hand & c.rect(-2, -11, 0, 2), 0xe05428)
    return cut("clock_minute", c, (0, 0))


# --- the badger --------------------------------------------------------------------
# Torso box 1.5 x 0.7 half-extents (48 x 22 px); head circle r 0.5 at (-3.6, 0) with
# the neck joint at (-2.1, 0); leg circles r 0.5 at y -2 (above) with the hip joints
# at y -1: each leg sprite reaches from its paw 1 unit down to the torso.
def badger_body():
    c = Canvas(-28, -15, 56, 30)
    body = c.rrect(-25, -11.2, 25, 11.2, 9)
    c.pillow(body, BADGER, radius=6)
    c.speckle(body, BADGER[4], 0.08, 401)
    c.speckle(body, BADGER[1], 0.08, 402)
    stripe = body & c.ellipse(2, 0, 20, 4.5)
    c.fill(stripe, BADGER[1])
    tail = c.poly([(24, -3), (30, 0), (24, 3)])
    c.fill(tail, BADGER[3])
    c.outline(BADGER_DARK[0])
    return cut("badger_body", c, (0, 0))


def badger_paw():
    # The foot at the leg's body (radius 0.5), the leg reaching to the hip 1 unit
    # below it; claws point away from the body.
    c = Canvas(-9, -11, 18, 30)
    leg = c.poly([(-4, -1), (4, -1), (3.5, 18), (-3.5, 18)])
    c.pillow(leg, BADGER, radius=2)
    foot = c.ellipse(0, -1, 6.5, 5.5)
    c.pillow(foot, BADGER_DARK, radius=2)
    for x in (-4, -1.3, 1.3, 4):
        c.fill(c.line(x, -5, x * 1.15, -8.5, 1.1), CREAM[1])
    c.outline(BADGER_DARK[0])
    return cut("badger_paw", c, (0, 0))


def _badger_head(name, open_mouth):
    c = Canvas(-14, -12, 44, 24)
    neck = c.rrect(0, -6.5, 28, 6.5, 5)
    c.pillow(neck, BADGER, radius=3)
    head = c.ellipse(-1, 0, 10, 8.2) | c.poly([(-8, -4), (-14, -1), (-14, 2), (-8, 5)])
    c.fill(head, WHITE_FUR[1])
    c.fill(head & ~shift(head, 1, 1), WHITE_FUR[2])
    for s in (-1, 1):
        band = head & c.poly([(-12, s * 1.2), (0, s * 2.2), (9, s * 4.8), (9, s * 9),
                              (-2, s * 9), (-10, s * 4)])
        c.fill(band, BADGER_DARK[1])
    c.fill(c.circle(-5, -3, 1.1) | c.circle(-5, 3, 1.1), 0x000000)
    c.fill(c.circle(-13.5, 0.5, 1.8), 0x000000)
    for s in (-1, 1):
        ear = c.circle(5, s * 8, 2.5)
        c.fill(ear, BADGER_DARK[2])
    if open_mouth:
        jaw = c.poly([(-14, 2), (-6, 3), (-13, 7)])
        c.fill(jaw, 0x5a1410)
        c.fill(c.pixels([(-12, 3), (-10, 3)]), WHITE_FUR[2])
    c.outline(BADGER_DARK[0])
    return cut(name, c, (0, 0))


# --- bees: drawn at half size, so their art is made of 2 x 2 blocks ----------------
def _bee(name, wings_up):
    c = Canvas(-9, -9, 18, 18)          # in half-size pixels; radius 0.5 unit = 16 / 2
    body = c.ellipse(0.5, 1.5, 6.5, 4.5)
    c.fill(body, BEE[2])
    c.fill(body & ~shift(body, 0, -1), BEE[3])
    for x in (1, 4):
        c.fill(body & c.rect(x, -4, x + 1.5, 7), BEE_DARK[0])
    head = c.circle(-5, 0.5, 3)
    c.fill(head, BEE_DARK[1])
    c.fill(c.pixels([(-7, 0)]), 0xd0d0d0)
    c.fill(c.pixels([(7, 1), (8, 1)]), BEE_DARK[0])
    if wings_up:
        w = c.ellipse(-1, -4, 3, 3.4) | c.ellipse(3, -4.2, 2.6, 3.2)
    else:
        w = c.ellipse(-2, -2.5, 4.5, 2.2) | c.ellipse(3.5, -2.5, 3.8, 2)
    c.fill(w & ~body, WING[1])
    c.fill(w & ~body & ~shift(w, 0, -1), WING[2])
    c.fill(c.line(-6, -2.5, -8, -6, 0.9), BEE_DARK[0])
    c.outline(BEE_DARK[0])
    big = c.upscale(2)
    return cut(name, big, (0, 0))


def ouch():
    c = Canvas(-8, -8, 16, 16)
    star = []
    for i in range(16):
        a = i * math.pi / 8
        r = 7.5 if i % 2 == 0 else 3.6
        star.append((math.cos(a) * r, math.sin(a) * r))
    m = c.poly(star)
    c.fill(m, 0xf0d020)
    c.fill(c.circle(0, 0, 3.8), 0xf8f0c0)
    c.fill(c.rect(-0.8, -3, 0.8, 1) | c.rect(-0.8, 1.8, 0.8, 3.2), 0xc02010)
    c.outline(0x5a0c04)
    return cut("ouch", c, (0, 0))


def all_sprites():
    return (leaves() + [pinecone(), berry()] + rocks() + snowballs() + fish() +
            [clock(), clock_minute(), badger_body(), badger_paw(),
             _badger_head("badger_head1", False), _badger_head("badger_head2", True),
             _bee("bee1", True), _bee("bee2", False), ouch()])
