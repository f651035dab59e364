"""The bear: head frames, hat, five bodies by fatness, the paw and its arm, crumbs.

Drawn in cab pixels. The bear's body origin is cab (-3, 7) units = (-48, 112) px,
the point where the game draws the head and the hat; the body sprites are drawn
80 px lower. The game puts the pupil (a 2 x 2 rectangle) within 1.5 px of
(head + (76, 24)) = (28, 136), so every head has its eye white there; the mouth
sensor is the box x 37..75, y 141..179 around (56, 160), and crumbs fly from
(head + (90, 50)) = (42, 162), the corner of the mouth. The torso's outline
runs from (-16, 128)-(32, 128) at the top down to (-48, 320)-(64, 320).
"""
from palette import BEAR, BEAR_LINE, MUZZLE, NOSE, EYE_WHITE, MOUTH, TEETH, CLAW
from pixel import Canvas, cut, shift

HEAD = (-48, 112)
BODY = (-48, 192)
EYE = (28, 136)          # the pupil's corner when it looks straight ahead

HAT_FUR = [0x1e1612, 0x332720, 0x4a3a30, 0x64524a]
HAT_TOP = [0x3a1c14, 0x5a2a1c, 0x7a3a26]


def _head_base(c, jaw_drop=0, ear_back=False):
    """Cranium, ears, muzzle and jaw; returns the masks the variants decorate.

    The crown lies at the torso's top edge (y 128), between the ears, where loose
    things come to rest on the bear's head."""
    far_ear = c.circle(25, 122, 6.5) if not ear_back else c.ellipse(30, 127, 7, 5)
    c.pillow(far_ear, BEAR[:4], radius=3)
    c.fill(far_ear & c.circle(25, 123, 3) if not ear_back else c.none(), BEAR[0])
    cran = c.circle(14, 150, 24)
    cheek = c.ellipse(18, 163, 24, 12)
    if ear_back:
        ear = c.ellipse(-6, 130, 9, 6)
        inner = c.ellipse(-5, 131, 5, 3)
    else:
        ear = c.circle(3, 127, 8.5)
        inner = c.circle(4, 128, 4.5)
    snout = c.ellipse(48, 153, 18, 11.5) | c.poly([(30, 139), (46, 140), (60, 143), (50, 150), (32, 150)])
    jaw = c.ellipse(46, 165 + jaw_drop, 13, 6)
    head = cran | cheek | ear | snout | jaw
    c.pillow(head, BEAR, radius=7)
    c.speckle(head & ~snout, BEAR[1], 0.05, 101)
    c.speckle(head & ~snout, BEAR[4], 0.025, 102)
    c.fill(inner, BEAR[1])
    c.fill(inner & ~shift(inner, 1, 1), MUZZLE[0])
    mz = (snout | c.ellipse(46, 165 + jaw_drop, 11, 4.5)) & ~c.circle(14, 150, 17)
    c.pillow(mz, MUZZLE, radius=4)
    # Fur along the back of the head and the cheek: a ragged edge.
    for x, y in ((-10, 133), (-14, 142), (-14, 152), (-11, 162), (-4, 170)):
        c.fill(c.poly([(x + 2, y - 3), (x - 3, y), (x + 2, y + 3)]), BEAR[2])
    for x, y in ((8, 172), (16, 174), (24, 174)):
        c.fill(c.poly([(x - 3, y - 2), (x, y + 3), (x + 3, y - 2)]), BEAR[1])
    nose = c.ellipse(63, 147, 5.2, 4.2)
    c.sphere(nose, 62, 146, 5, NOSE, cuts=(0.2, 0.75))
    # Eye: white 6 x 6 round the pupil's reach, dark rim, a brow above.
    c.fill(c.rrect(25, 133, 33, 141, 2), BEAR_LINE)
    c.fill(c.rrect(26, 134, 32, 140, 1.5), EYE_WHITE)
    return head, snout, jaw


def _finish(c):
    c.outline(BEAR_LINE)


def bearhead():
    c = Canvas(-64, 100, 160, 96)
    _head_base(c)
    c.fill(c.polyline([(40, 162), (46, 163.5), (54, 163), (60, 160)], 1.2), BEAR_LINE)
    c.fill(c.line(24, 131, 33, 130, 1.2), BEAR[1])
    _finish(c)
    return cut("bearhead", c, HEAD)


def eat1():
    # Chewing, mouth open.
    c = Canvas(-64, 100, 160, 100)
    _head_base(c, jaw_drop=7)
    hole = c.poly([(40, 161), (58, 160), (63, 162), (56, 170), (44, 170)])
    c.fill(hole, MOUTH[1])
    c.fill(hole & c.ellipse(50, 170, 8, 3), MOUTH[2])
    c.fill(hole & ~shift(hole, 0, 1), MOUTH[0])
    c.fill(c.pixels([(54, 163), (55, 163), (56, 162)]), 0xc04838)      # a berry bit
    c.fill(c.line(24, 131, 33, 130, 1.2), BEAR[1])
    _finish(c)
    return cut("eat1", c, HEAD)


def eat2():
    # Chewing, mouth shut, cheek puffed.
    c = Canvas(-64, 100, 160, 96)
    _head_base(c)
    puff = c.ellipse(30, 160, 10, 8)
    c.pillow(puff, BEAR, radius=4)
    c.fill(c.polyline([(40, 163), (45, 161), (50, 163), (55, 161), (60, 160)], 1.2), BEAR_LINE)
    c.fill(c.line(23, 132, 33, 131, 1.2), BEAR[1])
    c.fill(c.pixels([(43, 166), (58, 163)]), 0xc04838)
    _finish(c)
    return cut("eat2", c, HEAD)


def growl():
    c = Canvas(-64, 100, 160, 104)
    head, snout, jaw = _head_base(c, jaw_drop=11, ear_back=True)
    hole = c.poly([(38, 159), (60, 157), (66, 160), (58, 175), (42, 176)])
    c.fill(hole, MOUTH[0])
    c.fill(hole & c.ellipse(50, 174, 9, 3.5), MOUTH[2])
    # Fangs and teeth.
    for x in (43, 58):
        c.fill(c.poly([(x - 2, 159), (x + 2, 158.5), (x, 166)]), TEETH[1])
        c.fill(c.poly([(x - 2, 177), (x + 2, 177), (x + 1, 171)]), TEETH[1])
    for x in range(47, 56, 3):
        c.fill(c.rect(x, 159, x + 2, 162), TEETH[0])
    # Wrinkled snout and a low, angry brow over the eye.
    for x in (36, 41, 46):
        c.fill(c.line(x, 141, x + 3, 145, 1.1), MUZZLE[0])
    c.fill(c.poly([(20, 129), (34, 133), (34, 135), (20, 132)]), BEAR_LINE)
    _finish(c)
    return cut("growl", c, HEAD)


def russianhat():
    # Sits on the crown (y 126) between the ears, its fur band just above the eye.
    c = Canvas(-64, 90, 140, 80)
    crown = c.ellipse(12, 126, 23, 18) & c.rect(-40, 90, 60, 126)
    c.pillow(crown, HAT_TOP, radius=5)
    band = c.poly([(-14, 119), (38, 119), (40, 126), (36, 132), (-12, 134), (-16, 127)])
    flap = c.rrect(-16, 124, 0, 158, 7)
    fur = band | flap
    c.pillow(fur, HAT_FUR, radius=4)
    c.speckle(fur, HAT_FUR[3], 0.12, 111)
    c.speckle(fur, HAT_FUR[0], 0.08, 112)
    star = c.poly([(12, 107), (13.5, 111), (17.5, 111), (14.3, 113.5), (15.5, 117.5),
                   (12, 115), (8.5, 117.5), (9.7, 113.5), (6.5, 111), (10.5, 111)])
    c.fill(star, 0xc8302a)
    c.fill(star & ~shift(star, 1, 1), 0xf06a50)
    c.outline(BEAR_LINE)
    return cut("russianhat", c, HEAD)


def bearbody(n):
    """n = 1 (famished) .. 5 (fat enough to sleep): the belly grows forward."""
    k = n - 1
    c = Canvas(-72, 150, 170, 190)
    front = 46 + 6 * k          # how far the belly reaches at its fullest
    by = 202 - k
    back = c.ellipse(-18, 214, 60, 50)
    neck = c.ellipse(14, 190, 26, 20)
    belly = c.ellipse(front - 26, by + 8, 26 + 2 * k, 30 + 2 * k)
    lower = c.poly([(-72, 230), (front - 8, 236), (58 + 2 * k, 270), (66 + 2 * k, 336), (-72, 336)])
    body = back | neck | belly | lower
    if n == 1:
        body &= ~c.ellipse(front + 4, by + 20, 12, 14)       # a hollow, famished belly
    # A ragged fur edge along the back.
    for i in range(9):
        x = -62 + 9 * i
        y = 214 - 50 * (1 - ((x + 18) / 60.0) ** 2) ** 0.5
        body |= c.poly([(x - 3, y + 3), (x + 1, y - 3), (x + 4, y + 3)])
    c.pillow(body, BEAR, radius=12)
    c.speckle(body, BEAR[1], 0.04, 120 + n)
    c.speckle(body, BEAR[4], 0.02, 130 + n)
    rng_t = [(x, y) for x in range(-60, 70, 11) for y in range(180, 336, 13)]
    for i, (x, y) in enumerate(rng_t):
        tuft = c.poly([(x + (i * 7) % 5, y), (x + 2 + (i * 7) % 5, y + 4), (x + 4 + (i * 7) % 5, y)])
        c.fill(tuft & body & ~shift(body, 0, 4), BEAR[1])
    chest = c.ellipse(front - 16, by + 6, 10 + 2 * k, 19 + 2 * k) & body
    c.pillow(chest, [BEAR[3], MUZZLE[1], MUZZLE[2], MUZZLE[3]], radius=5)
    if n == 1:
        for y in (196, 203, 210):
            c.fill(c.line(front - 26, y, front - 12, y + 2, 1.0) & body, BEAR[1])
    if n == 5:
        c.fill(c.line(front - 22, by + 6, front - 18, by + 8, 1.2), BEAR[1])   # navel
    c.outline(BEAR_LINE)
    return cut("bearbody%d" % n, c, BODY)


# --- the paw -----------------------------------------------------------------
# The paw is a point; its sprites have the palm's centre as hot spot. The arm
# is drawn at the same point without rotation, so it reaches from the paw down
# and to the left (toward the bear) far past the bottom of the picture.

ARM_SLOPE = -0.3
ARM_LEN = 312


def arm():
    # Forearm from the wrist (the paw point) down and to the left, thickening
    # toward the elbow below the picture; shaggy along both edges.
    x1, y1 = ARM_SLOPE * ARM_LEN, ARM_LEN
    c = Canvas(int(x1) - 20, -4, int(-x1) + 34, ARM_LEN + 6)
    nx, ny = 1.0, -ARM_SLOPE                 # across the arm (unnormalised)
    ln = (nx * nx + ny * ny) ** 0.5
    nx, ny = nx / ln, ny / ln
    w0, w1 = 7.5, 11.5
    a = c.poly([(-w0 * nx, -w0 * ny + 2), (w0 * nx, w0 * ny + 2),
                (x1 + w1 * nx, y1 + w1 * ny + 20), (x1 - w1 * nx, y1 - w1 * ny + 20)])
    for i in range(14, ARM_LEN, 9):
        t = i / float(ARM_LEN)
        w = w0 + (w1 - w0) * t
        cx, cy = ARM_SLOPE * i, i
        for s_ in (-1, 1):
            ex, ey = cx + s_ * w * nx, cy + s_ * w * ny
            a |= c.poly([(ex - 0.5, ey - 4), (ex + s_ * 2.5 * nx, ey + s_ * 2.5 * ny + 1),
                         (ex + 0.5, ey + 3)])
    a &= c.rect(-400, 0, 400, ARM_LEN + 2)
    c.pillow(a, BEAR, radius=6, light=(-0.7, -0.3, 0.5))
    c.speckle(a, BEAR[1], 0.05, 141)
    c.speckle(a, BEAR[4], 0.02, 142)
    for i in range(18, ARM_LEN, 17):
        x = ARM_SLOPE * i
        c.fill(c.line(x - 3, i, x - 1, i + 4, 1.0) & a, BEAR[1])
        c.fill(c.line(x + 3, i + 7, x + 5, i + 11, 1.0) & a, BEAR[1])
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
