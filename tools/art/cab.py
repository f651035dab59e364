"""The cab: dashboard, roof and seats, the four fixtures, the gauges and small props.

Everything is drawn in cab pixels (16 per cab unit, y down, the picture is
0..320 x 0..240), so each sprite's hot spot is simply the cab point the game draws
it at: the dash and the seats cover the picture with room to spare for the cab's
tilt, and each fixture's art lies over its physics outline around its body origin.
"""
import math

from palette import (DASH, DASH_TOP, DASH_LINE, WELL, CARPET, HEADLINER, PILLAR, SEAT,
                     SEAT_LINE, STUFFING, CHROME, PLASTIC, RUBBER, CREAM, NEEDLE, GLASS,
                     PINE, WOOD, BONE, SNOW)
from pixel import Canvas, cut, shift

# The cab picture turns about (160, 120) by up to 0.5 rad and rises by up to
# 32 x 0.81 px on bumps: the cab pixels that can show then lie within
# x -50..370 and y -62..329. The frame sprites cover x -56..376, y -96..336.
FRAME_X0, FRAME_X1 = -56, 376
LEDGE_Y = 96          # the ledge (cab y 6): the dash's top edge, where things rest
ROOF_Y = 8            # the roof's lower face (cab y 0.5)
FLOOR_Y = 240         # the floor's top face (cab y 15)


def dash():
    c = Canvas(FRAME_X0, LEDGE_Y, FRAME_X1 - FRAME_X0, 336 - LEDGE_Y)
    full = c.rect(FRAME_X0, LEDGE_Y, FRAME_X1, 336)
    # Footwell (firewall), then the carpet on the floor.
    c.fill(full, WELL[2])
    c.fill(c.rect(FRAME_X0, 154, FRAME_X1, 164), WELL[0])
    c.fill(c.rect(FRAME_X0, 164, FRAME_X1, 170), WELL[1])
    c.speckle(c.rect(FRAME_X0, 170, FRAME_X1, 226), WELL[3], 0.035, 11)
    carpet = c.rect(FRAME_X0, 226, FRAME_X1, 336)
    c.fill(carpet, CARPET[2])
    c.fill(c.rect(FRAME_X0, 226, FRAME_X1, 228), CARPET[3])
    c.fill(c.rect(FRAME_X0, 228, FRAME_X1, 231), CARPET[1])
    c.speckle(c.rect(FRAME_X0, 231, FRAME_X1, 336), CARPET[1], 0.18, 12, cluster=True)
    c.speckle(c.rect(FRAME_X0, 231, FRAME_X1, 336), CARPET[3], 0.06, 13)
    # Rubber mats in front of the seats.
    for x0, x1 in ((64, 172), (238, 318)):
        mat = c.rrect(x0, 232, x1, 336, 3)
        c.fill(mat, RUBBER[1])
        for y in range(236, 336, 4):
            c.fill(mat & c.rect(x0 + 3, y, x1 - 3, y + 1), RUBBER[2])
        c.inline(mat, RUBBER[0])
    # Face of the dashboard.
    face = c.rect(FRAME_X0, 106, FRAME_X1, 150)
    c.fill(face, DASH[2])
    c.speckle(face, DASH[3], 0.05, 21)
    c.speckle(face, DASH[1], 0.04, 22)
    for y in (118, 134):
        c.fill(c.rect(FRAME_X0, y, FRAME_X1, y + 1), DASH[1])
        c.fill(c.rect(FRAME_X0, y + 1, FRAME_X1, y + 2), DASH[3])
    # The padded top: its first row is the ledge.
    c.fill(c.rect(FRAME_X0, 96, FRAME_X1, 97), DASH_LINE)
    c.fill(c.rect(FRAME_X0, 97, FRAME_X1, 99), DASH_TOP[3])
    c.fill(c.rect(FRAME_X0, 99, FRAME_X1, 103), DASH_TOP[2])
    c.fill(c.rect(FRAME_X0, 103, FRAME_X1, 105), DASH_TOP[1])
    c.fill(c.rect(FRAME_X0, 105, FRAME_X1, 106), DASH_LINE)
    c.speckle(c.rect(FRAME_X0, 99, FRAME_X1, 103), DASH_TOP[3], 0.06, 23)
    # Lower lip and the shadow under it.
    c.fill(c.rect(FRAME_X0, 148, FRAME_X1, 149), DASH[4])
    c.fill(c.rect(FRAME_X0, 149, FRAME_X1, 152), DASH[1])
    c.fill(c.rect(FRAME_X0, 152, FRAME_X1, 154), DASH_LINE)
    # A crack in the top pad, half taped over.
    crack = c.polyline([(226, 99), (231, 101), (235, 100), (240, 103), (246, 102)], 1.2)
    c.fill(crack, DASH_LINE)
    tape = c.rect(236, 98, 250, 105)
    c.fill(tape, 0x8c8470)
    c.fill(c.rect(236, 98, 250, 99), 0xa8a08a)
    c.fill(c.rect(236, 104, 250, 105), 0x6a6454)
    # Air vent on the driver's side (above the bear's head).
    vent = c.rrect(6, 108, 52, 122, 2)
    c.fill(vent, PLASTIC[0])
    for y in range(110, 121, 3):
        c.fill(vent & c.rect(8, y, 50, y + 1), PLASTIC[2])
    c.inline(vent, DASH_LINE)
    # Recess behind the gauge cluster.
    rec = c.rrect(179, 99, 254, 147, 4)
    c.fill(rec, DASH[0])
    c.fill(rec & ~shift(rec, 0, 1), DASH[3])
    # Glovebox with its latch.
    gb = c.rrect(264, 112, 336, 144, 3)
    c.bevel(gb, DASH, width=1)
    c.inline(gb, DASH_LINE)
    latch = c.rrect(292, 117, 306, 121, 1)
    c.bevel(latch, CHROME)
    c.fill(c.rect(292, 121, 306, 122), DASH_LINE)
    # Cigarette lighter.
    c.fill(c.circle(170.5, 138.5, 3.5), CHROME[1])
    c.fill(c.circle(170.5, 138.5, 2.5), CHROME[2])
    c.fill(c.circle(170.5, 138.5, 1.2), CHROME[0])
    # Steering column under the wheel.
    col = c.poly([(104, 140), (128, 140), (126, 196), (106, 196)])
    c.bevel(col, PLASTIC, width=2)
    c.fill(c.rect(106, 192, 126, 196), WELL[1])
    c.inline(col & c.rect(0, 0, 400, 192), DASH_LINE, sides=[(1, 0), (-1, 0)])
    # Door panels at both ends (only seen when the cab tilts).
    for x0, x1 in ((FRAME_X0, -2), (322, FRAME_X1)):
        door = c.rect(x0, 106, x1, 226)
        c.fill(door, DASH[1])
        c.speckle(door, DASH[2], 0.08, 31)
        c.fill(c.rect(x0, 150, x1, 156), DASH[3])
        c.fill(c.rect(x0, 156, x1, 158), DASH_LINE)
    c.fill(c.rect(-2, 106, 0, 226), DASH_LINE)
    c.fill(c.rect(320, 106, 322, 226), DASH_LINE)
    return cut("dash", c, (0, 0))


def seats():
    c = Canvas(FRAME_X0, -96, FRAME_X1 - FRAME_X0, 336 + 96)
    # Roof lining: its lower edge is the roof (cab y 0.5).
    roof = c.rect(FRAME_X0, -96, FRAME_X1, ROOF_Y)
    c.fill(roof, HEADLINER[2])
    c.speckle(roof, HEADLINER[1], 0.08, 41)
    c.fill(c.rect(FRAME_X0, -6, FRAME_X1, -5), HEADLINER[1])
    c.fill(c.rect(FRAME_X0, -5, FRAME_X1, -4), HEADLINER[3])
    c.fill(c.rect(FRAME_X0, 2, FRAME_X1, 4), HEADLINER[3])
    c.fill(c.rect(FRAME_X0, 4, FRAME_X1, 7), HEADLINER[1])
    c.fill(c.rect(FRAME_X0, 7, FRAME_X1, 8), PILLAR[0])
    # A water stain on the lining.
    stain = c.ellipse(236, -2, 14, 5) & roof
    c.fill(stain & ~c.ellipse(236, -2, 12, 3.5), HEADLINER[1])
    # Windshield pillars, leaning out toward the dashboard.
    for pts, flip in (([(FRAME_X0, -96), (12, -96), (12, 8), (-6, 96), (FRAME_X0, 96)], False),
                      ([(FRAME_X1, -96), (308, -96), (308, 8), (326, 96), (FRAME_X1, 96)], True)):
        p = c.poly(pts) & ~roof
        c.fill(p, PILLAR[1])
        c.speckle(p, PILLAR[2], 0.06, 43)
        c.inline(p, PILLAR[0], sides=[(-1, 0)] if not flip else [(1, 0)])
    # Rear-view mirror with a little pine air freshener hanging from it.
    c.fill(c.rect(158, 6, 162, 11), PLASTIC[1])
    mirror = c.rrect(136, 10, 184, 22, 4)
    c.fill(mirror, PLASTIC[1])
    c.fill(mirror & ~shift(mirror, 0, 1), PLASTIC[3])
    glass = c.rect(139, 12, 181, 20)
    c.fill(glass, GLASS[2])
    c.fill(c.rect(139, 17, 181, 20), GLASS[1])
    c.fill(c.poly([(150, 12), (156, 12), (150, 20), (144, 20)]), GLASS[3])
    c.fill(c.rect(152, 22, 153, 28), 0xd0c8b0)
    tree = c.poly([(152.5, 27), (158, 37), (155, 37), (159, 44), (146, 44), (150, 37), (147, 37)])
    c.fill(tree, PINE[3])
    c.fill(tree & ~shift(tree, 1, 0), PINE[4])
    c.fill(c.rect(151, 44, 154, 46), WOOD[2])
    # Seat backs at the bottom corners: the bear's seat on the left, the
    # passenger seat on the right; the middle stays open for pedals and lever.
    for x0, x1, top, seed in ((-70, 74, 222, 51), (246, 390, 210, 52)):
        s = c.rrect(x0, top, x1, 400, 22) & c.rect(FRAME_X0, top, FRAME_X1, 336)
        c.pillow(s, SEAT, radius=9)
        bol = top + 18
        c.fill(s & c.rect(x0, bol, x1, bol + 1), SEAT_LINE)
        c.fill(s & c.rect(x0, bol + 1, x1, bol + 2), SEAT[3])
        for x in range(x0 + 16, x1 - 8, 14):
            c.fill(s & c.rect(x, bol + 2, x + 1, 336), SEAT[1])
            c.fill(s & c.rect(x + 1, bol + 2, x + 2, 336), SEAT[3])
        c.speckle(s & c.rect(x0, top, x1, bol), SEAT[4], 0.05, seed)
        c.inline(s, SEAT_LINE)
    # Worn tear with stuffing on the driver's seat.
    tear = c.ellipse(30, 230, 7, 3)
    c.fill(tear, SEAT_LINE)
    c.fill(c.ellipse(30, 230, 5, 2), STUFFING[1])
    c.fill(c.pixels([(28, 230), (31, 231)]), STUFFING[0])
    return cut("seats", c, (0, -16))


def steeringwheel():
    # Rim of radius 48 (3 units); spokes over the physics boxes: 2.5 x 0.4
    # half-extents across the centre and 0.4 x 1.25 from the centre down.
    c = Canvas(-49, -49, 98, 98)
    rim = c.ring(0, 0, 39, 48)
    c.pillow(rim, RUBBER, radius=3, light=(-0.5, -0.7, 0.6))
    grips = c.ring(0, 0, 39, 48) & (c.rect(-48, -6.5, 48, 6.5) | c.rect(-6.5, 0, 6.5, 48))
    for k in range(-48, 48, 3):
        c.fill(grips & c.rect(-48, k, 48, k + 1) & c.rect(-48, -48, -38, 48), RUBBER[3])
        c.fill(grips & c.rect(-48, k, 48, k + 1) & c.rect(38, -48, 48, 48), RUBBER[3])
    spokes = c.rect(-40, -6.4, 40, 6.4) | c.rect(-6.4, 0, 6.4, 40)
    spokes &= c.circle(0, 0, 40.5)
    c.pillow(spokes, PLASTIC, radius=3)
    c.fill(spokes & c.rect(-40, -2, 40, -1) & ~c.circle(0, 0, 13), CHROME[2])
    c.fill(spokes & c.rect(-1, 13, 1, 40), CHROME[1])
    hub = c.circle(0, 0, 13)
    c.pillow(hub, PLASTIC, radius=4)
    pad = c.circle(0, 0, 8.5)
    c.sphere(pad, 0, 0, 8.5, CHROME)
    # A paw print on the horn.
    c.fill(c.circle(0, 1.5, 3), PLASTIC[1])
    for dx, dy in ((-4, -3), (-1.5, -5), (1.5, -5), (4, -3)):
        c.fill(c.circle(dx, dy, 1.2), PLASTIC[1])
    c.outline(DASH_LINE)
    return cut("steeringwheel", c, (0, 0))


def _pedal(name, x0, x1, h, arm_x):
    # The plate covers (x0..x1, -h..0) of the body origin at (0, 0): the physics
    # polygon; a short arm goes up from it into the footwell.
    c = Canvas(x0 - 3, -h - 16, x1 - x0 + 6, h + 19)
    arm = c.rect(arm_x - 2, -h - 14, arm_x + 2, -h + 1)
    c.bevel(arm, CHROME, light=(-1, 0))
    frame = c.rrect(x0, -h, x1, 0, 2)
    c.bevel(frame, CHROME, light=(-1, -1))
    pad = c.rrect(x0 + 2, -h + 2, x1 - 2, -2, 1)
    c.fill(pad, RUBBER[1])
    for y in range(-h + 4, -2, 3):
        c.fill(pad & c.rect(x0 + 3, y, x1 - 3, y + 1), RUBBER[3])
    c.outline(DASH_LINE)
    return cut(name, c, (0, 0))


def gaspedal():
    return _pedal("gaspedal", 8, 32, 32, 20)


def brakepedal():
    return _pedal("brakepedal", 4, 40, 24, 22)


def shifter():
    # Pivot at the hot spot; stick box 0.25 x 1.1 half-extents centred 1.0 above
    # it, knob 1.0 x 0.4 half-extents centred 2.1 above it.
    c = Canvas(-18, -42, 36, 46)
    stick = c.rect(-4, -33.6, 4, 1.6)
    c.bevel(stick, CHROME, light=(-1, 0))
    knob = c.rrect(-16, -40, 16, -27.2, 5)
    c.pillow(knob, WOOD, radius=4)
    c.fill(c.rect(-10, -38, 6, -37) & knob, WOOD[4])
    c.fill(c.rect(-16, -31, 16, -30) & knob, WOOD[1])
    c.outline(DASH_LINE)
    return cut("shifter", c, (0, 0))


def shifter_overlay():
    # The console over the floor block (cab x 11.5..14.5, y 12.5..15) with the
    # lever's boot; drawn at (184, 208) over the lower end of the stick.
    c = Canvas(182, 192, 52, 336 - 192)
    body = c.rect(184, 200, 232, 336)
    c.bevel(body, DASH, width=2, light=(-1, 0))
    c.fill(c.rect(184, 200, 232, 203), DASH[4])
    c.fill(c.rect(184, 203, 232, 204), DASH[1])
    c.speckle(body & c.rect(184, 206, 232, 336), DASH[1], 0.05, 61)
    tray = c.rrect(192, 218, 224, 232, 2)
    c.fill(tray, DASH[0])
    c.fill(tray & ~shift(tray, 0, -1), DASH[3])
    boot = c.ellipse(208, 202, 13, 7) & c.rect(190, 192, 226, 204)
    c.pillow(boot, [0x1c1210, 0x2c1e18, 0x3e2c22, 0x523a2c], radius=3)
    for dx in (-6, 0, 6):
        c.fill(boot & c.line(208 + dx * 0.4, 196, 208 + dx, 203, 1), 0x1c1210)
    c.outline(DASH_LINE)
    return cut("shifter_overlay", c, (184, 208))


SPEED_PIVOT = (200, 116)
FAT_PIVOT = (228, 124)
SPEED_ZERO = (-1 / math.sqrt(2), 1 / math.sqrt(2))     # down-left; sweeps 270 deg clockwise
FAT_ZERO = (-1 / math.sqrt(2), -1 / math.sqrt(2))      # up-left; sweeps 90 deg clockwise


def _rot(v, a):
    # Positive angles turn clockwise on the screen (y down).
    c, s = math.cos(a), math.sin(a)
    return (v[0] * c - v[1] * s, v[0] * s + v[1] * c)


def gauge():
    c = Canvas(180, 98, 74, 48)
    house = c.rrect(181, 99, 253, 145, 5)
    c.fill(house, PLASTIC[1])
    c.fill(house & ~shift(house, 0, 1), PLASTIC[3])
    sx, sy = SPEED_PIVOT
    fx, fy = FAT_PIVOT
    # Speed dial.
    c.fill(c.circle(sx, sy, 16), CHROME[1])
    c.fill(c.circle(sx, sy, 16) & ~c.circle(sx + 1, sy + 1, 16), CHROME[3])
    face = c.circle(sx, sy, 14)
    c.fill(face, CREAM[1])
    c.fill(face & ~c.circle(sx - 1, sy - 1, 14), CREAM[0])
    for i in range(11):
        a = 1.5 * math.pi * i / 10
        d = _rot(SPEED_ZERO, a)
        r0 = 10 if i % 5 == 0 else 11.5
        col = NEEDLE[1] if i >= 9 else PLASTIC[0]
        c.fill(c.line(sx + d[0] * r0, sy + d[1] * r0, sx + d[0] * 13, sy + d[1] * 13, 1.3), col)
    # Fat dial: a quarter sweep from empty (left) to full (right) over the pivot.
    c.fill(c.circle(fx, fy, 16) & c.rect(208, 98, 250, fy + 5), CHROME[1])
    c.fill(c.circle(fx, fy, 16) & ~c.circle(fx + 1, fy + 1, 16) & c.rect(208, 98, 250, fy + 5),
           CHROME[3])
    ff = c.circle(fx, fy, 14) & c.rect(208, 98, 250, fy + 4)
    c.fill(ff, CREAM[1])
    c.fill(c.rect(fx - 14, fy + 3, fx + 15, fy + 5), CHROME[0])
    for i in range(5):
        a = 0.5 * math.pi * i / 4
        d = _rot(FAT_ZERO, a)
        col = NEEDLE[0] if i == 0 else (0x2e6a1e if i == 4 else PLASTIC[0])
        c.fill(c.line(fx + d[0] * 10, fy + d[1] * 10, fx + d[0] * 13, fy + d[1] * 13, 1.5), col)
    # "E" and "F" marks.
    for ox, rows, col in ((fx - 11, ["111", "100", "110", "100", "111"], NEEDLE[0]),
                          (fx + 9, ["111", "100", "110", "100", "100"], 0x2e6a1e)):
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch == "1":
                    c.fill(c.rect(ox + i, fy - 3 + j, ox + i + 1, fy - 2 + j), col)
    # Warning lamps under the fat dial.
    c.fill(c.circle(220.5, 137.5, 2), 0x5a1a0e)
    c.fill(c.circle(228.5, 137.5, 2), 0x4a4010)
    c.fill(c.circle(236.5, 137.5, 2), 0x1a3a14)
    c.outline(DASH_LINE)
    return cut("gauge", c, (184, 102))


def _needle(name, direction, length, width):
    c = Canvas(-16, -16, 32, 32)
    d = direction
    c.fill(c.line(0, 0, d[0] * length, d[1] * length, width), NEEDLE[1])
    c.fill(c.line(d[0] * (length - 3), d[1] * (length - 3), d[0] * length, d[1] * length, width),
           NEEDLE[2])
    c.fill(c.line(-d[0] * 3, -d[1] * 3, 0, 0, width + 0.6), NEEDLE[0])
    cap = c.circle(0, 0, 2.6)
    c.fill(cap, PLASTIC[2])
    c.fill(c.circle(-0.6, -0.6, 1.2), PLASTIC[3])
    return cut(name, c, (0, 0))


def speed_arrow():
    return _needle("speed_arrow", SPEED_ZERO, 12.5, 2.2)


def gas_arrow():
    return _needle("gas_arrow", FAT_ZERO, 11.5, 2.2)


def pointer():
    c = Canvas(0, 0, 12, 17)
    arrow = c.poly([(0.5, 0.5), (0.5, 13), (3.5, 10), (6, 15.5), (8, 14.5), (5.5, 9.5), (9.5, 9.5)])
    c.fill(arrow, 0xf4f0e4)
    c.outline(0x141414)
    return cut("pointer", c, (0, 0))


def black_circle():
    c = Canvas(-8, -8, 16, 16)
    c.fill(c.circle(0, 0, 8), 0x000000)
    return cut("black_circle", c, (0, 0))


def snowflake():
    c = Canvas(-5, -5, 11, 11)
    m = c.none()
    for k in range(3):
        a = k * math.pi / 3
        dx, dy = math.cos(a) * 4.6, math.sin(a) * 4.6
        m |= c.line(0.5 - dx, 0.5 - dy, 0.5 + dx, 0.5 + dy, 1.1)
    c.fill(m, SNOW[3])
    c.fill(c.rect(0, 0, 1, 1), SNOW[4])
    c.outline(SNOW[1])
    return cut("snowflake", c, (0, 0))


def antlers():
    # A trophy on the dashboard; the game draws it at (162, 89), the plaque
    # stands on the ledge (y 96).
    c = Canvas(120, 50, 84, 47)
    ant = c.none()
    for s in (-1, 1):
        def P(x, y):
            return (162 + s * x * 0.8, 96 - (96 - y) * 0.8)
        beam = [P(4, 86), P(10, 80), P(18, 74), P(24, 66), P(28, 58)]
        ant |= c.polyline(beam, 3.2)
        ant |= c.polyline([P(10, 80), P(12, 70)], 2.4)
        ant |= c.polyline([P(16, 76), P(22, 80), P(30, 80)], 2.2)
        ant |= c.polyline([P(22, 69), P(20, 60), P(21, 55)], 2.2)
        ant |= c.polyline([P(25, 64), P(33, 62), P(38, 56)], 2.2)
    c.bevel(ant, BONE, light=(-1, -1))
    skull = c.ellipse(162, 84, 6, 5)
    c.pillow(skull, BONE, radius=2)
    plaque = c.poly([(148, 88), (176, 88), (180, 96), (144, 96)])
    c.bevel(plaque, WOOD, light=(0, -1))
    c.fill(c.rect(156, 91, 168, 93), 0xc8a040)
    c.outline(DASH_LINE)
    return cut("antlers", c, (162, 89))


def all_sprites():
    return [dash(), seats(), steeringwheel(), gaspedal(), brakepedal(), shifter(),
            shifter_overlay(), gauge(), speed_arrow(), gas_arrow(), pointer(),
            black_circle(), snowflake(), antlers()]
