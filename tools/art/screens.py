"""The year-intro screen's pictures, drawn in picture coordinates at the points
where the screen puts them: the logo at (41, 7), the sleeping bear and its open
eyes at (12, 180), the Zs at (78, 162), the samples beside the hints, and the
pointer (its tip is the hot spot). Also the program's icon.
"""
import math

from palette import BEAR, BEAR_LINE, MUZZLE, NOSE, EYE_WHITE, WOOD, FISH, FISH_BELLY, FISH_LINE
from pixel import Canvas, cut, shift, Sprite

# --- the logo ---------------------------------------------------------------------
LETTERS = {
    "T": ["########", "########", "...##...", "...##...", "...##...", "...##...", "...##...",
          "...##...", "...##...", "...##..."],
    "I": ["######", "######", "..##..", "..##..", "..##..", "..##..", "..##..", "..##..",
          "######", "######"],
    "M": ["##......##", "###....###", "####..####", "##.####.##", "##..##..##", "##......##",
          "##......##", "##......##", "##......##", "##......##"],
    "B": ["#######.", "########", "##....##", "##....##", "#######.", "#######.", "##....##",
          "##....##", "########", "#######."],
    "E": ["########", "########", "##......", "##......", "######..", "######..", "##......",
          "##......", "########", "########"],
    "R": ["#######.", "########", "##....##", "##....##", "########", "#######.", "##..##..",
          "##...##.", "##....##", "##....##"],
    "D": ["######..", "#######.", "##...###", "##....##", "##....##", "##....##", "##....##",
          "##...###", "#######.", "######.."],
    "V": ["##....##", "##....##", "##....##", "##....##", "##....##", "###..###", ".##..##.",
          ".######.", "..####..", "...##..."],
}
LOGO_W, LOGO_H = 238, 36


def timberdrive():
    word = "TIMBERDRIVE"
    scale = 2
    widths = [len(LETTERS[ch][0]) for ch in word]
    gap = 2
    total = (sum(widths) + gap * (len(word) - 1)) * scale
    c = Canvas(0, 0, LOGO_W, LOGO_H)
    x = (LOGO_W - total) // 2
    y = 6
    letters = c.none()
    for ch, w in zip(word, widths):
        for j, row in enumerate(LETTERS[ch]):
            for i, v in enumerate(row):
                if v == "#":
                    letters |= c.rect(x + i * scale, y + j * scale, x + (i + 1) * scale,
                                      y + (j + 1) * scale)
        x += (w + gap) * scale
    # Logs: light top rows, grain lines, darker lower edge, a shadow behind.
    shadow = shift(letters, 2, 2) & ~letters
    c.fill(shadow, 0x2a1206)
    c.fill(letters, WOOD[3])
    for gy in range(y, y + 20, 4):
        grain = letters & c.rect(0, gy + 2, LOGO_W, gy + 3)
        c.fill(grain & ((c.ix // 3 + gy) % 5 != 0), WOOD[2])
    c.fill(letters & ~shift(letters, 0, 1), WOOD[4])
    c.fill(letters & ~shift(letters, 0, -1), WOOD[1])
    c.fill(letters & ~shift(letters, 1, 0) & ~shift(letters, 0, 1), WOOD[4])
    # A few autumn leaves caught on the letters.
    for lx, ly, col in ((14, 5, 0xd8701c), (104, 4, 0xc23c1c), (196, 5, 0xdcb42c),
                        (150, 27, 0xd8701c)):
        leaf = c.poly([(lx, ly + 2), (lx + 3, ly), (lx + 6, ly + 1), (lx + 3, ly + 3)])
        c.fill(leaf, col)
    c.outline(0x1a0a04, diag=True)
    return cut("timberdrive", c, (0, 0), (0, 0, LOGO_W, LOGO_H))


# --- the sleeping bear -------------------------------------------------------------
SLEEP_AT = (12, 180)
EYES = ((70, 200), (79, 199))


def _sleeping_bear(c):
    body = c.ellipse(48, 224, 38, 20) | c.ellipse(30, 232, 22, 14)
    head = c.ellipse(74, 206, 17, 14)
    ear1 = c.circle(64, 193, 6)
    ear2 = c.circle(80, 192, 5.5)
    snout = c.ellipse(89, 212, 9, 7)
    paws = c.ellipse(84, 226, 13, 6) | c.ellipse(60, 232, 12, 6)
    allm = body | head | ear1 | ear2 | snout | paws
    allm &= c.rect(0, 0, 200, 240)
    c.pillow(allm, BEAR, radius=7)
    c.speckle(allm, BEAR[1], 0.05, 1101)
    for e in (ear1, ear2):
        c.fill(e & c.circle(e.nonzero()[1].mean() + c.x0 + 0.5, e.nonzero()[0].mean() + c.y0 + 0.5, 2.6),
               MUZZLE[0])
    c.pillow(snout, MUZZLE, radius=3)
    c.fill(c.ellipse(95, 209, 3.5, 2.6), NOSE[0])
    c.fill(c.rect(93, 208, 95, 209), NOSE[2])
    # Paw lines and claws.
    for x in (78, 83, 88):
        c.fill(c.line(x, 222, x + 1, 226, 1.0) & paws, BEAR[1])
    for x in (92, 95):
        c.fill(c.rect(x, 227, x + 1, 229), 0xcbbd95)
    c.fill(c.line(36, 230, 60, 236, 1.0) & body, BEAR[1])
    c.outline(BEAR_LINE)
    # Closed eyes.
    for ex, ey in EYES:
        c.fill(c.rect(ex - 2, ey + 1, ex + 3, ey + 2), BEAR_LINE)
        c.fill(c.pixels([(ex - 3, ey), (ex + 3, ey)]), BEAR_LINE)


def bear_sleep():
    c = Canvas(SLEEP_AT[0], SLEEP_AT[1], 100, 60)
    _sleeping_bear(c)
    return cut("bear_sleep", c, SLEEP_AT)


def bear_eyes():
    c = Canvas(60, 194, 28, 12)
    for ex, ey in EYES:
        w = c.rrect(ex - 3, ey - 2, ex + 4, ey + 3, 1.5)
        c.fill(c.rrect(ex - 4, ey - 3, ex + 5, ey + 4, 2), BEAR_LINE)
        c.fill(w, EYE_WHITE)
        c.fill(c.rect(ex + 1, ey - 1, ex + 3, ey + 2), 0x141414)
        c.fill(c.pixels([(ex + 1, ey - 1)]), 0xffffff)
    return cut("bear_eyes", c, SLEEP_AT)


ZS = [(80, 173, 5), (88, 166, 7), (98, 157, 9)]


def _z(c, x, y, s):
    m = c.rect(x, y, x + s, y + 2) | c.rect(x, y + s - 2, x + s, y + s)
    m |= c.line(x + s - 1.2, y + 1.5, x + 1.2, y + s - 1.5, 2.2)
    return m


def zs(n):
    c = Canvas(74, 146, 46, 38)
    m = c.none()
    for x, y, s in ZS[:n]:
        m |= _z(c, x, y, s)
    c.fill(m, 0xd8e2ff)
    c.fill(m & ~shift(m, 0, -1), 0x8c9cd0)
    c.outline(0x1c2040)
    return cut("z%d" % n, c, (78, 162))


def sample_fish():
    c = Canvas(160, 109, 46, 16)
    body = c.poly([(161, 117), (164, 113), (170, 111), (188, 111), (194, 114), (199, 111),
                   (203, 110), (201, 117), (203, 124), (199, 123), (194, 120), (188, 123),
                   (170, 123), (164, 121)])
    c.pillow(body, FISH, radius=3, light=(-0.3, -0.9, 0.4))
    belly = body & c.rect(150, 119, 194, 130)
    c.fill(belly, FISH_BELLY[1])
    c.fill(c.circle(166, 115.5, 1.6), FISH_BELLY[2])
    c.fill(c.rect(166, 115, 167, 116), FISH_LINE)
    c.fill(c.line(170, 112, 172, 117, 1.0) | c.line(172, 117, 170, 122, 1.0), FISH[1])
    tail = body & c.rect(195, 100, 210, 130)
    c.fill(tail, FISH[2])
    for x in range(175, 190, 4):
        c.fill(c.circle(x, 114.5, 0.7) & body, FISH[1])
    c.outline(FISH_LINE)
    return cut("sample_fish", c, (160, 109))


def sample_clock(clock, minute):
    """The cab's clock with its hand at a quarter to winter."""
    px = clock.px.copy()
    a = -math.pi / 2
    hand = minute
    h, w = px.shape[:2]
    c = math.cos(a), math.sin(a)
    for j in range(h):
        for i in range(w):
            # Point-sample the hand turned by a about the clock's centre.
            x, y = i + 0.5 - clock.hx, j + 0.5 - clock.hy
            u = x * c[0] + y * c[1]
            v = -x * c[1] + y * c[0]
            ti, tj = int(math.floor(u + hand.hx)), int(math.floor(v + hand.hy))
            if 0 <= ti < hand.w and 0 <= tj < hand.h and hand.px[tj, ti, 3]:
                px[j, i] = hand.px[tj, ti]
    return Sprite("sample_clock", px, 0, 0)


def mouse_key():
    # The pointer of the title screen: an arrow with a little mouse, left button lit.
    c = Canvas(0, 0, 24, 26)
    arrow = c.poly([(0.5, 0.5), (0.5, 13), (3.5, 10), (6, 15.5), (8, 14.5), (5.5, 9.5),
                    (9.5, 9.5)])
    c.fill(arrow, 0xf4f0e4)
    c.fill(arrow & ~shift(arrow, -1, 0), 0xb8b4a8)
    mouse = c.rrect(12, 12, 22, 25, 4)
    c.fill(mouse, 0xd8d4c8)
    c.fill(mouse & c.rect(12, 12, 17, 17), 0xd2400e)
    c.fill(mouse & c.rect(17, 12, 18, 17), 0x6a665c)
    c.fill(mouse & c.rect(12, 17, 22, 18), 0x6a665c)
    c.fill(c.line(17, 12, 17, 8, 1.0), 0x6a665c)
    c.outline(0x141414)
    return cut("mouse_key", c, (0, 0))


def icon():
    """The window's 64 x 64 icon: the bear at the wheel."""
    c = Canvas(0, 0, 64, 64)
    bgm = c.rrect(1, 1, 63, 63, 8)
    c.fill(bgm, 0x3468a6)
    c.fill(bgm & c.rect(0, 40, 64, 64), 0x295215)
    c.fill(bgm & c.rect(0, 48, 64, 64), 0x1e3b0f)
    for x, h, col in ((8, 18, 0xd8701c), (22, 14, 0xc23c1c), (52, 20, 0xdcb42c)):
        t = c.ellipse(x, 40 - h / 2, 6, h / 2)
        c.fill(t & bgm, col)
        c.fill(c.rect(x - 1, 40, x + 1, 44) & bgm, 0x3a2616)
    head = c.circle(32, 34, 17) | c.circle(19, 19, 6) | c.circle(45, 19, 6)
    c.pillow(head, BEAR, radius=5)
    for x in (19, 45):
        c.fill(c.circle(x, 19, 3), MUZZLE[0])
    muzzle = c.ellipse(32, 40, 9, 7)
    c.pillow(muzzle, MUZZLE, radius=3)
    c.fill(c.ellipse(32, 36.5, 4, 3), NOSE[0])
    c.fill(c.rect(30, 35, 32, 36), NOSE[2])
    c.fill(c.line(32, 39, 32, 42, 1.0) | c.line(29, 43, 32, 42, 1.0) | c.line(35, 43, 32, 42, 1.0),
           BEAR_LINE)
    for x in (25, 39):
        c.fill(c.rrect(x - 3, 25, x + 3, 31, 1.5), EYE_WHITE)
        c.fill(c.rect(x - 1, 27, x + 1, 30), 0x141414)
    wheel = c.ring(32, 58, 12, 16) & bgm
    c.fill(wheel, 0x222222)
    c.fill(wheel & ~shift(wheel, 0, 1), 0x484848)
    c.fill(c.rect(18, 56, 46, 60) & bgm & c.circle(32, 58, 13), 0x3a3430)
    c.outline(BEAR_LINE)
    return Sprite("icon", c.px, 0, 0)


def all_sprites(clock=None, minute=None):
    out = [timberdrive(), bear_sleep(), bear_eyes(), sample_fish(), mouse_key(),
           zs(1), zs(2), zs(3)]
    if clock is not None:
        out.append(sample_clock(clock, minute))
    return out
