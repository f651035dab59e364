"""The bear: head frames, hat, five bodies by fatness, the paw and its arm, crumbs.

Drawn in cab pixels. The bear's body origin is cab (-3, 7) units = (-48, 112) px,
the point where the game draws the head and the hat; the body sprites are drawn
80 px lower. The game puts the pupil (a 2 x 2 rectangle) within 1.5 px of
(head + (76, 24)) = (28, 136), so every head has its eye white there; the mouth
sensor is the box x 37..75, y 141..179 around (56, 160), and crumbs fly from
(head + (90, 50)) = (42, 162), the corner of the mouth. The torso's outline
runs from (-16, 128)-(32, 128) at the top down to (-48, 320)-(64, 320).
"""
from palette import (BEAR, BEAR_LINE, MUZZLE, NOSE, EYE_WHITE, MOUTH, TEETH, CLAW,
                     BADGER_DARK, WOOD)
from pixel import Canvas, cut, shift

HEAD = (-48, 112)
BODY = (-48, 192)
EYE = (28, 136)          # the pupil's corner when it looks straight ahead

HAT_FUR = [0x1e1612, 0x332720, 0x4a3a30, 0x64524a]
HAT_TOP = [0x3a1c14, 0x5a2a1c, 0x7a3a26]


def _head_base(c, jaw_drop=0, ear_back=False):
    """Cranium, ear, muzzle and jaw; returns the masks the variants decorate."""
    cran = c.ellipse(12, 150, 34, 26)
    cheek = c.ellipse(16, 164, 26, 14)
    if ear_back:
        ear = c.ellipse(-6, 128, 9, 7)
        inner = c.ellipse(-5, 129, 5, 3.5)
    else:
        ear = c.circle(2, 124, 8.5)
        inner = c.circle(3, 125, 4.5)
    snout = c.poly([(30, 136), (44, 138), (66, 141), (75, 143), (78, 148), (76, 156),
                    (66, 160), (46, 162), (32, 160)])
    jaw = c.ellipse(50, 166 + jaw_drop, 16, 6.5)
    head = cran | cheek | ear | snout | jaw
    c.pillow(head, BEAR, radius=7)
    c.speckle(head & ~snout, BEAR[1], 0.06, 101)
    c.speckle(head & ~snout, BEAR[4], 0.03, 102)
    c.fill(inner, BEAR[1])
    c.fill(inner & ~shift(inner, 1, 1), MUZZLE[0])
    mz = snout | (c.ellipse(50, 166 + jaw_drop, 14, 5) & ~cran)
    c.pillow(mz, MUZZLE, radius=4)
    # The line between forehead and muzzle.
    c.fill(c.polyline([(30, 136), (36, 139), (42, 140)], 1.0), BEAR[1])
    nose = c.ellipse(73, 147, 5.5, 4.2)
    c.sphere(nose, 72, 146, 5, NOSE, cuts=(0.2, 0.75))
    # Fur tufts at the back of the cheek.
    for x, y in ((-20, 158), (-16, 166), (-10, 172)):
        c.fill(c.poly([(x, y), (x - 5, y + 3), (x + 2, y + 4)]), BEAR[2])
    # Eye: white 6 x 6 round the pupil's reach, dark rim.
    white = c.rrect(26, 134, 32, 140, 1.5)
    c.fill(c.rrect(25, 133, 33, 141, 2), BEAR_LINE)
    c.fill(white, EYE_WHITE)
    return head, snout, jaw


def _finish(c):
    c.outline(BEAR_LINE)


def bearhead():
    c = Canvas(-64, 100, 160, 96)
    _head_base(c)
    c.fill(c.polyline([(43, 162), (50, 163), (58, 162), (66, 160)], 1.2), BEAR_LINE)
    c.fill(c.line(24, 131, 33, 130, 1.2), BEAR[1])
    _finish(c)
    return cut("bearhead", c, HEAD)


def eat1():
    # Chewing, mouth open.
    c = Canvas(-64, 100, 160, 100)
    _head_base(c, jaw_drop=7)
    hole = c.poly([(43, 161), (66, 159), (70, 163), (62, 170), (48, 171)])
    c.fill(hole, MOUTH[1])
    c.fill(hole & c.ellipse(56, 170, 9, 3), MOUTH[2])
    c.fill(hole & ~shift(hole, 0, 1), MOUTH[0])
    c.fill(c.pixels([(60, 163), (61, 163), (62, 162)]), 0xc04838)      # a berry bit
    c.fill(c.line(24, 131, 33, 130, 1.2), BEAR[1])
    _finish(c)
    return cut("eat1", c, HEAD)


def eat2():
    # Chewing, mouth shut, cheek puffed.
    c = Canvas(-64, 100, 160, 96)
    _head_base(c)
    puff = c.ellipse(36, 160, 11, 8)
    c.pillow(puff, BEAR, radius=4)
    c.fill(c.polyline([(44, 163), (50, 161), (56, 163), (62, 161), (67, 160)], 1.2), BEAR_LINE)
    c.fill(c.line(23, 132, 33, 131, 1.2), BEAR[1])
    c.fill(c.pixels([(47, 166), (65, 163)]), 0xc04838)
    _finish(c)
    return cut("eat2", c, HEAD)


def growl():
    c = Canvas(-64, 100, 160, 104)
    head, snout, jaw = _head_base(c, jaw_drop=11, ear_back=True)
    hole = c.poly([(42, 159), (68, 157), (74, 160), (66, 175), (46, 176)])
    c.fill(hole, MOUTH[0])
    c.fill(hole & c.ellipse(56, 174, 10, 3.5), MOUTH[2])
    # Fangs and teeth.
    for x in (47, 64):
        c.fill(c.poly([(x - 2, 159), (x + 2, 159), (x, 166)]), TEETH[1])
        c.fill(c.poly([(x - 2, 177), (x + 2, 177), (x + 1, 171)]), TEETH[1])
    for x in range(51, 62, 3):
        c.fill(c.rect(x, 159, x + 2, 162), TEETH[0])
    # Wrinkled snout and a low, angry brow over the eye.
    for x in (38, 43, 48):
        c.fill(c.line(x, 140, x + 3, 144, 1.1), MUZZLE[0])
    c.fill(c.poly([(20, 129), (34, 133), (34, 135), (20, 132)]), BEAR_LINE)
    _finish(c)
    return cut("growl", c, HEAD)


def russianhat():
    c = Canvas(-64, 90, 140, 80)
    crown = c.ellipse(10, 122, 30, 20) & c.rect(-40, 90, 60, 130)
    c.pillow(crown, HAT_TOP, radius=5)
    band = c.rrect(-22, 118, 44, 132, 6)
    flap = c.rrect(-16, 124, 4, 156, 7)
    fur = band | flap
    c.pillow(fur, HAT_FUR, radius=4)
    c.speckle(fur, HAT_FUR[3], 0.12, 111)
    c.speckle(fur, HAT_FUR[0], 0.08, 112)
    star = c.poly([(22, 119), (23.5, 123), (27.5, 123), (24.3, 125.5), (25.5, 129.5),
                   (22, 127), (18.5, 129.5), (19.7, 125.5), (16.5, 123), (20.5, 123)])
    c.fill(star, 0xc8302a)
    c.fill(star & ~shift(star, 1, 1), 0xf06a50)
    c.outline(BEAR_LINE)
    return cut("russianhat", c, HEAD)


def bearbody(n):
    """n = 1 (famished) .. 5 (fat enough to sleep)."""
    k = n - 1
    c = Canvas(-72, 150, 170, 190)
    front = 48 + 5 * k          # how far the belly reaches
    belly_y = 206 - k
    pts = [(-72, 176), (-40, 166), (-14, 162), (8, 168), (26, 172), (36, 176),
           (front - 6, belly_y - 22), (front, belly_y), (front - 2, belly_y + 18),
           (56 + 2 * k, 262), (66 + 2 * k, 336), (-72, 336)]
    body = c.poly(pts)
    c.pillow(body, BEAR, radius=10)
    c.speckle(body, BEAR[1], 0.05, 120 + n)
    c.speckle(body, BEAR[4], 0.025, 130 + n)
    patch = c.ellipse(front - 16, belly_y + 4, 10 + 2 * k, 20 + k) & body
    c.pillow(patch, [BEAR[2], BEAR[3], MUZZLE[1], MUZZLE[2]], radius=5)
    if n == 1:
        for y in (192, 199, 206):
            c.fill(c.line(front - 22, y, front - 8, y + 2, 1.0) & body, BEAR[1])
    # Fur tufts along the back.
    for x, y in ((-40, 166), (-24, 162), (-8, 163)):
        c.fill(c.poly([(x, y + 1), (x + 4, y - 4), (x + 7, y + 1)]), BEAR[3])
    c.outline(BEAR_LINE)
    return cut("bearbody%d" % n, c, BODY)


# --- the paw -----------------------------------------------------------------
# The paw is a point; its sprites have the palm's centre as hot spot. The arm
# is drawn at the same point without rotation, so it reaches from the paw down
# and to the left (toward the bear) far past the bottom of the picture.

ARM_SLOPE = -0.3
ARM_LEN = 312


def arm():
    c = Canvas(-ARM_LEN * 0.3 - 14, -4, int(ARM_LEN * 0.3) + 26, ARM_LEN + 6)
    x1, y1 = ARM_SLOPE * ARM_LEN, ARM_LEN
    a = c.line(0, 2, x1, y1 + 20, 17) & c.rect(-200, 0, 200, ARM_LEN + 2)
    c.pillow(a, BEAR, radius=6, light=(-0.7, -0.3, 0.5))
    c.speckle(a, BEAR[1], 0.06, 141)
    for i in range(10, ARM_LEN, 22):
        x = ARM_SLOPE * i
        c.fill(c.line(x + 5, i, x + 7, i + 5, 1.0) & a, BEAR[1])
    c.outline(BEAR_LINE)
    return cut("arm", c, (0, 0))


def _paw_base(c):
    palm = c.ellipse(0, 1, 10, 9)
    c.pillow(palm, BEAR, radius=4)
    return palm


def paw():
    c = Canvas(-14, -16, 28, 28)
    _paw_base(c)
    for dx, dy in ((-7.5, -6), (-2.5, -8.5), (2.5, -8.5), (7.5, -6)):
        t = c.circle(dx, dy, 3.4)
        c.pillow(t, BEAR, radius=2)
        cl = c.poly([(dx - 1.2, dy - 2.5), (dx + 1.2, dy - 2.5), (dx, dy - 6.5)])
        c.fill(cl, CLAW[1])
        c.fill(cl & ~shift(cl, 1, 0), CLAW[2])
    c.fill(c.ellipse(0, 2, 5, 3.5), BEAR[1])
    c.outline(BEAR_LINE)
    return cut("paw", c, (0, 0))


def paw_closed():
    c = Canvas(-13, -12, 26, 24)
    fist = c.rrect(-10, -8, 10, 10, 5)
    c.pillow(fist, BEAR, radius=4)
    for x in (-5, 0, 5):
        c.fill(c.line(x, -8, x, -3, 1.0), BEAR[1])
    for x in (-7.5, -2.5, 2.5, 7.5):
        cl = c.poly([(x - 1, -3), (x + 1, -3), (x, 0)])
        c.fill(cl, CLAW[1])
    c.outline(BEAR_LINE)
    return cut("paw_closed", c, (0, 0))


def paw_grabbing():
    # Drawn behind the thing it holds: fingers spread round the grip point.
    c = Canvas(-17, -17, 34, 34)
    _paw_base(c)
    for dx, dy in ((-11, -5), (-6, -11), (6, -11), (11, -5)):
        t = c.line(dx * 0.4, dy * 0.4, dx, dy, 6.0)
        c.pillow(t, BEAR, radius=2)
        c.fill(c.circle(dx * 1.12, dy * 1.12, 1.4), CLAW[2])
    c.outline(BEAR_LINE)
    return cut("paw_grabbing", c, (0, 0))


def spit():
    # A crumb flying from the mouth; rotation 0 means flying to the right.
    c = Canvas(-3, -2, 6, 4)
    d = c.ellipse(0.5, 0, 2.6, 1.4)
    c.fill(d, 0xd8c8a8)
    c.fill(d & c.rect(1, -2, 3, 0), 0xf6eede)
    c.fill(c.rect(-3, -1, -2, 1) & d, 0x9a8a6a)
    return cut("spit", c, (0, 0))


def all_sprites():
    return ([bearhead(), growl(), eat1(), eat2()] + [bearbody(n) for n in range(1, 6)] +
            [russianhat(), paw(), paw_closed(), paw_grabbing(), arm(), spit()])
