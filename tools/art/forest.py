"""The forest seen through the windshield: trees, bushes, boulders, ponds,
mountains with their caves, and the skies.

A forest sprite stands on its hot spot, the middle of its foot (a pond's is its
centre, on the water). The view draws an object d units away at scale
(its scale) x 10 / d; 10 units ahead one unit across is 20.4 px, so at the usual
scale of 2 one unit of the forest is 10.2 px of the sprite. Trunks, bushes,
boulders and ponds are as wide as their physics circles at that measure.
Sprites drawn at a smaller scale field (the big tree at 1, mountains at 4) are
drawn on a world of half that measure, so that their features match the others'.

Each kind is drawn with more texels per pixel of the view's projection where the
car gets close (forest/art_density.h holds the densities; the view divides its
scale by them): a canvas of `res` texels per world unit keeps the art's shapes,
rims and outlines and draws their edges finer.
"""
import math

from palette import (BARK, BIRCH, PINE, TREE_LINE, LEAF_RED, LEAF_BROWN, LEAF_YELLOW,
                     LEAF_ORANGE, ROCK, BUSH, BERRY, WATER, MOUNTAIN, MOUNT_SNOW, MOUNT_FOREST,
                     FISH, FISH_BELLY, GROUND_B)
from game_constants import header_constants
from pixel import Canvas, cut, Rng

PX_PER_UNIT = 10.2      # sprite px per forest unit at scale 2


def _densities():
    """{"TREE": 5, ...} from forest/art_density.h, which the game reads too."""
    found = header_constants("forest/art_density.h", "ART_DENSITY_")
    for k, v in found.items():
        if v != int(v) or v < 1:
            raise SystemExit("art density %s must be a whole number: %s" % (k, v))
    return dict((k[len("ART_DENSITY_"):], int(v)) for k, v in found.items())


DENSITY = _densities()


def density_of(name):
    """Texels per projection px of the windshield sprite called name."""
    if name == "tree6":
        return DENSITY["BIG_FIR"]
    for prefix, key in (("tree", "TREE"), ("mountain", "MOUNTAIN"), ("cave", "CAVE"),
                        ("boulder", "BOULDER"), ("bush", "BUSH"), ("pond", "POND"),
                        ("fishjump", "POND"), ("escort", "CAR")):
        if name.startswith(prefix):
            return DENSITY[key]
    return 1


def stand(c):
    """Nothing below the foot line (y 0): the sprite stands on its hot spot."""
    c.clear(c.Y >= 0)


def _foliage(c, rng, cx, cy, rx, ry, ramp, count, rmin, rmax, seed):
    """A crown of leaf clusters: a dark mass behind, then round clumps from the top
    down, each lit from the upper left, so the crown reads as bumps of leaves."""
    back = c.ellipse(cx, cy, rx * 0.92, ry * 0.92)
    clumps = []
    # Clumps round the rim first, so the dark mass never shows at the edge.
    ring = 9
    for i in range(ring):
        a = math.pi + math.pi * (i + 0.5) / ring + rng.range(-0.1, 0.1)
        r = rng.range(rmin, rmax) * 0.9
        clumps.append((cx + math.cos(a) * (rx - r * 0.6), cy + math.sin(a) * (ry - r * 0.6), r))
    for _ in range(count):
        a = rng.range(0, 2 * math.pi)
        d = math.sqrt(rng.range(0.0, 1.0)) * 0.85
        r = rng.range(rmin, rmax)
        clumps.append((cx + math.cos(a) * rx * d, cy + math.sin(a) * ry * d, r))
    clumps.sort(key=lambda k: (k[1], k[0]))
    allm = back.copy()
    for x, y, r in clumps:
        allm |= c.circle(x, y, r)
    c.fill(allm, ramp[1])
    c.fill(allm & ~c.sh(allm, -2, -2), ramp[0])
    for i, (x, y, r) in enumerate(clumps):
        m = c.circle(x, y, r)
        # Light falls from the upper left: clumps low and to the right are darker.
        t = ((y - cy) / ry + (x - cx) / rx) * 0.5
        sub = ramp[1:] if t < 0.25 else ramp[:-1]
        c.sphere(m, x, y, r, sub, light=(-0.6, -0.7, 0.5), cuts=(-0.2, 0.35, 0.75))
        c.speckle(m, sub[0], 0.05, seed + i)
    return allm


def _leafy(c, m, ramp, seed):
    c.speckle(m, ramp[-1], 0.02, seed + 1)


def _trunk(c, w, top, bark=BARK, lean=0.0):
    t = c.poly([(-w / 2, 0), (w / 2, 0), (w * 0.3 + lean, top), (-w * 0.3 + lean, top)])
    t |= c.poly([(-w / 2 - 2, 0), (-w / 2, -4), (-w / 2, 0)]) | c.poly([(w / 2 + 2, 0), (w / 2, -4), (w / 2, 0)])
    c.bevel(t, bark, width=max(1, int(w / 5)), light=(-1, 0))
    return t


def deciduous(name, trunk_w, height, crown_w, crown_h, ramp, seed, birch=False):
    c = Canvas(-crown_w // 2 - 4, -height - 2, crown_w + 8, height + 2, DENSITY["TREE"])
    rng = Rng(seed)
    crown_cy = -height + crown_h / 2 + 1
    top = crown_cy + crown_h * 0.15
    t = _trunk(c, trunk_w, top, BIRCH if birch else BARK)
    if birch:
        for _ in range(8):
            y = rng.range(top, -3)
            x0 = rng.range(-trunk_w / 2, 0)
            c.fill(t & c.rect(x0, y, x0 + rng.range(2, trunk_w * 0.6), y + 1.2), 0x2a2620)
    # Branches reaching into the crown.
    for s in (-1, 1):
        b = c.line(0, top + crown_h * 0.35, s * crown_w * 0.28, top - crown_h * 0.05, 2.4)
        c.bevel(b, BIRCH if birch else BARK, light=(-1, 0))
    m = _foliage(c, rng, 0, crown_cy, crown_w / 2 - 6, crown_h / 2 - 5, ramp, 22, 5, 8.5, seed)
    _leafy(c, m, ramp, seed)
    c.outline(TREE_LINE)
    stand(c)
    return cut(name, c, (0, 0))


def conifer(name, trunk_w, height, width, seed, tiers=6, bare=0.15, ramp=PINE, res=None):
    c = Canvas(-width // 2 - 3, -height - 2, width + 6, height + 2, res or DENSITY["TREE"])
    rng = Rng(seed)
    _trunk(c, trunk_w, -height * 0.5)
    m = c.none()
    base = -height * bare
    for i in range(tiers):
        f = i / float(tiers)
        y1 = base - (height * (1 - bare)) * f
        hw = width / 2 * (1 - f * 0.8)
        th = (height * (1 - bare)) / tiers * 1.9
        tri = c.poly([(-hw, y1), (hw, y1), (hw * 0.35, y1 - th * 0.55), (0, y1 - th),
                      (-hw * 0.35, y1 - th * 0.55)])
        # Ragged lower edges.
        for k in range(int(hw)):
            x = -hw + 2 * k + rng.range(0, 1)
            tri |= c.poly([(x, y1 - 1), (x + 1.5, y1 + rng.range(1, 3)), (x + 3, y1 - 1)])
        m |= tri
    m &= c.rect(-width, -height, width, base + 3)
    c.pillow(m, ramp, radius=5, light=(-0.7, -0.5, 0.5), cuts=(0.08, 0.3))
    for i in range(tiers):
        y1 = base - (height * (1 - bare)) * i / float(tiers)
        c.fill(m & c.rect(-width, y1 - 1, width, y1) & ~c.sh(m, 0, -2), ramp[0])
    c.speckle(m, ramp[-1], 0.02, seed)
    c.outline(TREE_LINE)
    stand(c)
    return cut(name, c, (0, 0))


def trees():
    u = PX_PER_UNIT
    out = [
        deciduous("tree1", round(2 * 0.5 * u * 0.8), 78, 44, 50, LEAF_YELLOW, 501, birch=True),
        deciduous("tree2", round(2 * 0.7 * u * 0.8), 72, 58, 48, LEAF_RED, 502),
        conifer("tree3", round(2 * 0.5 * u * 0.8), 84, 34, 503, tiers=7),
        deciduous("tree4", round(2 * 0.7 * u * 0.8), 70, 62, 44, LEAF_BROWN, 504),
        conifer("tree5", round(2 * 0.7 * u * 0.8), 88, 50, 505, tiers=4, bare=0.3,
                ramp=[0x0e2410, 0x183a18, 0x24501e, 0x346a26, 0x4a8232]),
    ]
    # The big old fir: drawn at scale 1, so made on a world of 2 sprite px a unit.
    out.append(conifer("tree6", round(2 * 1.0 * u * 0.8), 112, 66, 506, tiers=8, bare=0.12,
                       ramp=[0x081a0e, 0x0e2a16, 0x17391c, 0x244c26, 0x335e2c],
                       res=2 * DENSITY["BIG_FIR"]))
    out.append(deciduous("tree7", round(2 * 0.7 * u * 0.8), 82, 46, 58, LEAF_ORANGE, 507))
    return out


def _berries(c, m, count, seed):
    rng = Rng(seed)
    placed = 0
    tries = 0
    while placed < count and tries < 400:
        tries += 1
        x = rng.range(c.x0 + 3, c.x0 + c.w - 3)
        y = rng.range(c.y0 + 3, c.y0 + c.h - 4)
        b = c.circle(x, y, 1.6)
        if not (b & m).sum() == b.sum() or b.sum() == 0:
            continue
        c.fill(b, BERRY[2])
        c.fill(c.circle(x - 0.6, y - 0.6, 0.6) & b, BERRY[4])
        c.fill(b & ~c.sh(b, 0, -1), BERRY[1])
        placed += 1


def bushes():
    out = []
    w = round(2 * 2.0 * 20.4 / 2.1)          # radius 2 at scale 2.1
    for name, count in (("bush1", 16), ("bushhalf", 6), ("bushempty", 0)):
        c = Canvas(-w // 2 - 3, -30, w + 6, 31, DENSITY["BUSH"])
        rng = Rng(601)
        ramp = BUSH if name != "bushempty" else [0x1c220c, 0x2a3414, 0x3c461c, 0x50562a, 0x686a38]
        m = _foliage(c, rng, 0, -10, w / 2 - 5, 10, ramp, 14, 4, 6.5, 602)
        c.clear(c.Y >= 0)
        m &= c.Y < 0
        if name == "bushempty":
            for _ in range(5):
                x = rng.range(-w / 2 + 4, w / 2 - 4)
                c.fill(c.line(x, -2, x + rng.range(-4, 4), -rng.range(10, 18), 1.2) & m, BARK[1])
        _berries(c, m, count, 603)
        c.outline(TREE_LINE)
        stand(c)
        out.append(cut(name, c, (0, 0)))
    return out


def boulders():
    out = []
    for name, r, seed in (("boulder1", 2.4, 701), ("boulder2", 2.0, 702)):
        w = 2 * r * PX_PER_UNIT
        hgt = w * 0.62
        c = Canvas(int(-w / 2) - 3, int(-hgt) - 3, int(w) + 6, int(hgt) + 4, DENSITY["BOULDER"])
        rng = Rng(seed)
        pts = []
        for i in range(11):
            a = math.pi + math.pi * i / 10.0
            rr = rng.range(0.86, 1.0)
            pts.append((math.cos(a) * w / 2 * rr, -hgt * 0.05 + math.sin(a) * hgt * rr))
        pts += [(w / 2, 0), (-w / 2, 0)]
        m = c.poly(pts)
        c.pillow(m, ROCK, radius=6, cuts=(0.1, 0.3))
        for _ in range(3):
            x0 = rng.range(-w / 3, w / 4)
            y0 = rng.range(-hgt * 0.8, -hgt * 0.3)
            c.fill(c.polyline([(x0, y0), (x0 + rng.range(3, 7), y0 + rng.range(2, 6)),
                               (x0 + rng.range(6, 10), y0 + rng.range(5, 9))], 1.0) & m, ROCK[1])
        moss = m & c.ellipse(-w * 0.1, -hgt, w * 0.42, hgt * 0.36)
        c.fill(moss, 0x3e5a20)
        c.fill(moss & ~c.sh(moss, 0, -1), 0x5a7a2c)
        c.speckle(m, ROCK[4], 0.03, seed)
        c.fill(c.rect(-w / 2 - 1, -1, w / 2 + 1, 0) & ~m, GROUND_B)
        c.outline(TREE_LINE)
        stand(c)
        out.append(cut(name, c, (0, 0)))
    return out


POND_RX = 2.7 * PX_PER_UNIT          # the sensor circle's radius across
POND_RY = 5.5                        # seen almost edge-on


def pond():
    w = int(POND_RX * 2) + 10
    c = Canvas(-w // 2, -16, w, 24, DENSITY["POND"])
    rim = c.ellipse(0, 0, POND_RX + 2, POND_RY + 2)
    c.fill(rim, 0x4a4030)
    c.fill(rim & ~c.sh(rim, 0, 1), 0x6a5e48)
    water = c.ellipse(0, 0.5, POND_RX, POND_RY)
    c.fill(water, WATER[2])
    c.fill(water & c.ellipse(0, -1.5, POND_RX - 4, POND_RY - 3), WATER[1])
    c.fill(water & ~c.sh(water, 0, 1), WATER[0])
    for x, y, l in ((-14, -1, 8), (4, 1, 10), (12, -2, 5)):
        c.fill(c.rect(x, y, x + l, y + 1), WATER[4])
    # Reeds at the far ends.
    rng = Rng(801)
    for side in (-1, 1):
        for k in range(4):
            x = side * (POND_RX - 2 - k * 2.5) + rng.range(-1, 1)
            top = -rng.range(6, 13)
            c.fill(c.line(x, -1, x + side * 0.8, top, 1.1), 0x5a6a24)
            if k % 2 == 0:
                c.fill(c.rect(x - 0.5, top - 1, x + 1.5, top + 2), 0x5a3018)
    c.outline(TREE_LINE)
    return cut("pond1", c, (0, 0))


def _jumping_fish(c, x, y, angle):
    ca, sa = math.cos(angle), math.sin(angle)

    def P(u, v):
        return (x + u * ca - v * sa, y + u * sa + v * ca)
    body = c.poly([P(-5, 0), P(-3, -1.8), P(2, -1.6), P(4, 0), P(2, 1.6), P(-3, 1.8)])
    tail = c.poly([P(3.5, 0), P(6.5, -2.5), P(6.5, 2.5)])
    f = body | tail
    c.fill(f, FISH[3])
    c.fill(f & ~c.sh(f, 0, -1), FISH[4])
    c.fill(c.poly([P(-3, 1.8), P(2, 1.6), P(-1, 0.2)]) & body, FISH_BELLY[2])
    return f


def fishjumps():
    out = []
    w = int(POND_RX * 2) + 10
    for i, (fx, fy, ang, splash) in enumerate(((-13, -7, -1.0, -16), (-1, -15, 0.0, None),
                                                (11, -7, 1.0, 14))):
        c = Canvas(-w // 2, -24, w, 30, DENSITY["POND"])
        _jumping_fish(c, fx, fy, ang)
        c.outline(0x10202a)
        if splash is not None:
            for dx in (-3, -1, 1, 3):
                c.fill(c.line(splash + dx * 0.7, -1, splash + dx * 1.6, -3 - abs(3 - abs(dx)), 1.0),
                       WATER[4])
            c.fill(c.ellipse(splash, 0, 5, 1.2) & ~c.ellipse(splash, 0, 3.5, 0.6), WATER[3])
        out.append(cut("fishjump%d" % (i + 1), c, (0, 0)))
    return out


# --- mountains (scale 4): a world of 2 sprite px a unit ----------------------------------
def _mountain(name, peaks, seed, width=100, height=50):
    c = Canvas(-width // 2 - 2, -height - 2, width + 4, height + 2, 2 * DENSITY["MOUNTAIN"])
    rng = Rng(seed)
    # The ridge line: peaks joined with jagged slopes down to the foot.
    xs = [-width / 2]
    ys = [0.0]
    for px, py in peaks:
        xs.append(px)
        ys.append(-py)
    xs.append(width / 2)
    ys.append(0.0)
    ridge = []
    for i in range(len(xs) - 1):
        n = max(2, int(abs(xs[i + 1] - xs[i]) / 3))
        for k in range(n):
            t = k / float(n)
            y = ys[i] + (ys[i + 1] - ys[i]) * t
            if 0 < k:
                y += rng.range(-1.5, 1.5)
            ridge.append((xs[i] + (xs[i + 1] - xs[i]) * t, y))
    ridge.append((width / 2, 0))
    m = c.poly(ridge + [(width / 2, 1), (-width / 2, 1)])
    # Rock: light on the left faces, shade on the right.
    c.pillow(m, MOUNTAIN, radius=10, light=(-0.8, -0.3, 0.5), cuts=(0.06, 0.22))
    for px, py in peaks:
        for _ in range(3):
            x0 = px + rng.range(-4, 4)
            c.fill(c.polyline([(x0, -py + 3), (x0 + rng.range(-6, 6), -py * 0.55)], 1.0) & m,
                   MOUNTAIN[1])
    # Snow on the tops.
    snow = c.none()
    for px, py in peaks:
        if py < height * 0.55:
            continue
        line = -py + py * 0.28
        tri = c.poly([(px - py * 0.5, line + 3), (px, -py - 2), (px + py * 0.5, line + 3)])
        zig = c.none()
        for k in range(-5, 6):
            zig |= c.poly([(px + k * 3 - 1.5, line), (px + k * 3, line + rng.range(1, 4)),
                           (px + k * 3 + 1.5, line)])
        snow |= (tri & c.rect(-width, -height - 5, width, line)) | (zig & tri)
    snow &= m
    c.fill(snow, MOUNT_SNOW[1])
    c.fill(snow & ~c.sh(snow, 1, 0), MOUNT_SNOW[2])
    c.fill(snow & ~c.sh(snow, -1, 0) & ~c.sh(snow, 0, -1), MOUNT_SNOW[0])
    # A dark forest belt at the foot, with a few autumn tops.
    belt = c.none()
    for k in range(-width // 2, width // 2, 3):
        hgt = rng.range(5, 9)
        belt |= c.poly([(k - 2, 1), (k + 0.5, -hgt), (k + 3, 1)])
    belt &= m | c.rect(-width, -3, width, 1)
    c.fill(belt, MOUNT_FOREST[1])
    c.fill(belt & ~c.sh(belt, 1, 0), MOUNT_FOREST[2])
    c.fill(c.rect(-width / 2, -2, width / 2, 1), MOUNT_FOREST[0])
    for _ in range(10):
        x = rng.range(-width / 2 + 3, width / 2 - 3)
        c.fill(c.rect(x, -rng.range(3, 5), x + 1, -2), [0x8a4a14, 0x9a6a18][rng.int(2)])
    c.outline(0x161a26)
    stand(c)
    return cut(name, c, (0, 0))


def mountains():
    return [_mountain("mountain1", [(-18, 38), (-4, 30), (12, 44)], 901),
            _mountain("mountain2", [(-6, 48)], 902),
            _mountain("mountain3", [(-30, 22), (-10, 30), (14, 27), (32, 20)], 903),
            _mountain("mountain4", [(-20, 30), (-8, 42), (2, 36), (18, 46), (28, 30)], 904)]


def cave():
    # Sits at the mountain's foot (same hot spot); scaled up as the bear drives in.
    c = Canvas(-16, -20, 32, 21, 2 * DENSITY["CAVE"])
    rim = c.ellipse(0, 0, 13, 15) & c.rect(-20, -20, 20, 0)
    c.pillow(rim, ROCK, radius=3, cuts=(0.1, 0.3))
    for k in range(-12, 13, 4):
        c.fill(c.line(k, -0.5, k * 1.05, -4 - abs(k) * 0.1, 1.0) & rim, ROCK[1])
    hole = c.ellipse(0, 0, 9.5, 11.5) & c.rect(-20, -20, 20, 0)
    c.fill(hole, 0x060404)
    c.fill(hole & ~c.ellipse(0, 1, 8, 10), 0x1a1410)
    c.outline(0x0e0c0a)
    stand(c)
    return cut("cave", c, (0, 0))


# --- skies: 8 px wide strips, stretched 45 times across ------------------------------
def _sky(name, bands):
    import numpy as np
    from pixel import Sprite
    px = np.zeros((64, 8, 4), np.uint8)
    y = 0
    for colour, rows in bands:
        for _ in range(rows):
            if y < 64:
                px[y, :] = ((colour >> 16) & 255, (colour >> 8) & 255, colour & 255, 255)
                y += 1
    while y < 64:
        px[y] = px[y - 1]
        y += 1
    return Sprite(name, px, 0, 0)


def skies():
    return [
        # A clear, cold autumn day.
        _sky("sky1", [(0x2a5a9a, 12), (0x3468a6, 9), (0x4278b0, 8), (0x5488ba, 7), (0x6a9ac2, 6),
                      (0x84aac8, 5), (0xa0bccc, 17)]),
        # Overcast, a change in the weather.
        _sky("sky2", [(0x4c5866, 12), (0x58646f, 10), (0x66707a, 9), (0x747d84, 8), (0x848b8e, 7),
                      (0x959a98, 18)]),
        # Late afternoon: low sun and a warm horizon.
        _sky("sky3", [(0x2c3c78, 11), (0x3c4a86, 8), (0x56568e, 7), (0x7a6290, 6), (0xa6708a, 6),
                      (0xcc8278, 5), (0xe49a64, 4), (0xf0b46a, 17)]),
    ]


def all_sprites():
    import car
    return (trees() + bushes() + boulders() + [pond()] + fishjumps() + mountains() + [cave()] +
            skies() + car.escorts())
