"""The other cars: nine views of one small car, rendered from a model.

Which view each index shows follows from the windshield view and the car's
heading() (its local x axis, the car's right side; local +y is forward): with
psi the angle of the car's forward direction from the line of sight (counter-
clockwise seen from above), index i in 0..8 is drawn flipped (negative
horizontal scale) for psi around (i - 8) x 22.5 deg, and indices 9..15 are drawn
unflipped as 16 - index. So index 8 is the car driving away (seen from behind),
0 the car coming head-on, 4 the car crossing (stored nose-left, shown nose-right
after the flip). The stored picture for index i is therefore the car turned by
(8 - i) x 22.5 deg counterclockwise from the line of sight.

The game draws a view at (screenX, screenY + 12 s) with scale s = 5 / d, where
one forest unit across is 203.7 / d px: the sprite has 40.7 px per unit (times
the cars' art density, by which the game divides s). The model is laid out in
design px of half that, so that outlines and the shadow keep their width at the
usual distances (s <= 0.5), and rendered with RES texels per design px. The hot
spot is the ground point under the car's origin, 12 px lower, so that the car
stands where the scenery at its distance stands.
"""
import math

import numpy as np

from forest import DENSITY
from palette import CAR, CAR_LINE, GLASS, RUBBER, CHROME, PLASTIC
from pixel import Canvas, Sprite

PX = 203.7 / 5.0 / 2.0      # design px per forest unit
RES = 2 * DENSITY["CAR"]    # texels per design px
ELEVATION = math.radians(13)
LIGHT = np.array([-0.5, -0.55, 0.68])
LIGHT = LIGHT / np.linalg.norm(LIGHT)

MATERIALS = {
    "body": (CAR, (0.15, 0.45, 0.75, 0.92)),
    "roof": (CAR, (0.15, 0.45, 0.75, 0.92)),
    "glass": (GLASS, (0.2, 0.55, 0.9)),
    "tyre": (RUBBER, (0.3, 0.6, 0.95)),
    "chrome": (CHROME, (0.2, 0.5, 0.8)),
    "dark": (PLASTIC, (0.3, 0.6, 0.9)),
    "head": ([0xa09060, 0xe8dcae, 0xfff4d0], (0.2, 0.5)),
    "tail": ([0x5a0c08, 0xa41c12, 0xe0402a], (0.2, 0.5)),
    "plate": ([0x8c8878, 0xd8d4c4, 0xf0ece0], (0.2, 0.5)),
}


def _quad(a, b, c, d, mat):
    return [(a, b, c, mat), (a, c, d, mat)]


def _prism(profile, x0, x1, mat, caps=True):
    """A side profile [(y, z)...] (counterclockwise seen from +x) extruded from x0 to x1."""
    tris = []
    n = len(profile)
    for i in range(n):
        (y1, z1), (y2, z2) = profile[i], profile[(i + 1) % n]
        tris += _quad((x1, y1, z1), (x0, y1, z1), (x0, y2, z2), (x1, y2, z2), mat)
    if caps:
        for i in range(1, n - 1):
            (ya, za), (yb, zb), (yc, zc) = profile[0], profile[i], profile[i + 1]
            tris.append(((x1, ya, za), (x1, yb, zb), (x1, yc, zc), mat))
            tris.append(((x0, ya, za), (x0, yc, zc), (x0, yb, zb), mat))
    return tris


def _box(x0, x1, y0, y1, z0, z1, mat):
    return _prism([(y0, z0), (y1, z0), (y1, z1), (y0, z1)], x0, x1, mat)


def _disc_x(x, cy, cz, r, mat, outward):
    pts = [(x, cy + r * math.cos(a), cz + r * math.sin(a))
           for a in [k * math.pi / 4 + math.pi / 8 for k in range(8)]]
    if outward < 0:
        pts = pts[::-1]
    return [(pts[0], pts[i], pts[i + 1], mat) for i in range(1, 7)]


def _panel(corners, mat, push=0.012):
    """A flat decal quad, moved a little off the surface along its normal."""
    a, b, c, d = [np.array(p, float) for p in corners]
    n = np.cross(b - a, c - a)
    n = n / np.linalg.norm(n)
    pts = [tuple(p + n * push) for p in (a, b, c, d)]
    return _quad(*pts, mat)


def model():
    t = []
    # Lower body: side profile with a sloping bonnet and a short boot.
    body = [(-1.1, 0.2), (2.06, 0.2), (2.1, 0.44), (2.02, 0.6), (0.95, 0.72), (-0.85, 0.74),
            (-1.1, 0.66)]
    t += _prism(body, -0.95, 0.95, "body")
    # Cabin: a trapezoid, glass on every side.
    cab = [(-0.78, 0.73), (0.92, 0.72), (0.42, 1.22), (-0.55, 1.24)]
    t += _prism(cab, -0.82, 0.82, "roof")
    inset = 0.08
    for s in (-1, 1):
        x = s * 0.82
        t += _panel([(x, -0.78 + 0.2, 0.76), (x, 0.92 - 0.28, 0.76), (x, 0.42 - 0.02, 1.19),
                     (x, -0.55 + 0.06, 1.2)][::(1 if s > 0 else -1)], "glass")
        t += _panel([(x, -0.02, 0.76), (x, 0.06, 0.76), (x, 0.06, 1.2), (x, -0.02, 1.2)]
                    [::(1 if s > 0 else -1)], "roof", push=0.02)
    # Windscreen and rear window.
    t += _panel([(0.82 - inset, 0.92 - 0.06, 0.75), (-0.82 + inset, 0.92 - 0.06, 0.75),
                 (-0.82 + inset, 0.45, 1.19), (0.82 - inset, 0.45, 1.19)], "glass")
    t += _panel([(-0.82 + inset, -0.78 + 0.04, 0.77), (0.82 - inset, -0.78 + 0.04, 0.77),
                 (0.82 - inset, -0.56, 1.2), (-0.82 + inset, -0.56, 1.2)], "glass")
    # Bumpers, lights, grille, plate, side trim.
    t += _box(-0.93, 0.93, 2.04, 2.16, 0.24, 0.36, "chrome")
    t += _box(-0.93, 0.93, -1.18, -1.06, 0.24, 0.36, "chrome")
    for s in (-1, 1):
        hx = s * 0.62
        t += _panel([(hx + 0.13, 2.09, 0.4), (hx - 0.13, 2.09, 0.4), (hx - 0.13, 2.08, 0.58),
                     (hx + 0.13, 2.08, 0.58)][::(1 if s > 0 else 1)], "head")
        tx = s * 0.7
        t += _panel([(tx - 0.17, -1.1, 0.47), (tx + 0.17, -1.1, 0.47), (tx + 0.17, -1.1, 0.6),
                     (tx - 0.17, -1.1, 0.6)], "tail")
        t += _panel([(s * 0.95, -1.0, 0.46), (s * 0.95, 1.95, 0.46), (s * 0.95, 1.95, 0.5),
                     (s * 0.95, -1.0, 0.5)][::(1 if s > 0 else -1)], "chrome")
    t += _panel([(0.33, 2.095, 0.38), (-0.33, 2.095, 0.38), (-0.33, 2.09, 0.55),
                 (0.33, 2.09, 0.55)], "dark")
    t += _panel([(-0.22, -1.1, 0.37), (0.22, -1.1, 0.37), (0.22, -1.1, 0.46),
                 (-0.22, -1.1, 0.46)], "plate")
    # Wheels.
    for wy in (-0.6, 1.42):
        for s in (-1, 1):
            x0, x1 = s * 0.76, s * 0.98
            ring = [(wy + 0.3 * math.cos(a), 0.3 + 0.3 * math.sin(a))
                    for a in [k * math.pi / 4 + math.pi / 8 for k in range(8)]]
            t += _prism(ring, min(x0, x1), max(x0, x1), "tyre")
            t += _disc_x(x1 + s * 0.01, wy, 0.3, 0.16, "chrome", s)
    return t


def render(psi):
    """The car turned psi counterclockwise (from above) from the line of sight."""
    w, h = 112, 64
    ox, oy = 56, 44                      # the car's origin (on the ground) in the picture
    k = RES
    col = np.zeros((h * k, w * k, 4), np.uint8)
    depth = np.full((h * k, w * k), np.inf)
    F = np.array([-math.sin(psi), math.cos(psi), 0.0])
    S = np.array([math.cos(psi), math.sin(psi), 0.0])
    Z = np.array([0.0, 0.0, 1.0])
    d = np.array([0.0, math.cos(ELEVATION), -math.sin(ELEVATION)])
    r = np.array([1.0, 0.0, 0.0])
    u = np.array([0.0, math.sin(ELEVATION), math.cos(ELEVATION)])
    ys, xs = np.mgrid[0:h * k, 0:w * k]
    cx, cy = (xs + 0.5) / k, (ys + 0.5) / k     # texel centres in design px
    for a, b, c, mat in model():
        P = [p[0] * S + p[1] * F + p[2] * Z for p in (a, b, c)]
        n = np.cross(P[1] - P[0], P[2] - P[0])
        ln = np.linalg.norm(n)
        if ln == 0:
            continue
        n = n / ln
        if np.dot(n, d) >= 0:            # facing away from the camera
            continue
        ramp, cuts = MATERIALS[mat]
        lam = float(np.dot(n, LIGHT))
        idx = sum(1 for k in cuts if lam > k)
        idx = min(idx, len(ramp) - 1)
        colour = ramp[idx]
        sp = [(ox + np.dot(p, r) * PX, oy - np.dot(p, u) * PX, np.dot(p, d)) for p in P]
        (x0, y0, z0), (x1, y1, z1), (x2, y2, z2) = sp
        den = (y1 - y2) * (x0 - x2) + (x2 - x1) * (y0 - y2)
        if abs(den) < 1e-9:
            continue
        bx0, bx1 = max(0, int(min(x0, x1, x2) * k)), min(w * k, int(max(x0, x1, x2) * k) + 1)
        by0, by1 = max(0, int(min(y0, y1, y2) * k)), min(h * k, int(max(y0, y1, y2) * k) + 1)
        if bx0 >= bx1 or by0 >= by1:
            continue
        px, py = cx[by0:by1, bx0:bx1], cy[by0:by1, bx0:bx1]
        l0 = ((y1 - y2) * (px - x2) + (x2 - x1) * (py - y2)) / den
        l1 = ((y2 - y0) * (px - x2) + (x0 - x2) * (py - y2)) / den
        l2 = 1 - l0 - l1
        inside = (l0 >= -1e-9) & (l1 >= -1e-9) & (l2 >= -1e-9)
        z = l0 * z0 + l1 * z1 + l2 * z2
        dz = depth[by0:by1, bx0:bx1]
        upd = inside & (z < dz)
        dz[upd] = z[upd]
        cc = col[by0:by1, bx0:bx1]
        cc[upd] = ((colour >> 16) & 255, (colour >> 8) & 255, colour & 255, 255)
    c = Canvas(-ox, -oy, w, h, k)
    c.px = col
    # A contact shadow: the car's footprint on the ground.
    foot = []
    for lx, ly in ((-1.0, -1.1), (1.0, -1.1), (1.0, 2.1), (-1.0, 2.1)):
        p = lx * S + ly * F
        foot.append((np.dot(p, r) * PX, -np.dot(p, u) * PX))
    c.fill_under(c.poly(foot), 0x10200a)
    c.outline(CAR_LINE)
    return c


def escorts():
    views = [render((8 - i) * math.pi / 8) for i in range(9)]
    # One box (in texels) round all nine, so that they share a size and hot spot.
    x0 = min(v.bbox()[0] for v in views)
    y0 = min(v.bbox()[1] for v in views)
    x1 = max(v.bbox()[2] for v in views)
    y1 = max(v.bbox()[3] for v in views)
    out = []
    for i, v in enumerate(views):
        hx = (0 - v.x0) * v.res - x0
        hy = (6 - v.y0) * v.res - y0
        out.append(Sprite("escort%d" % i, v.px[y0:y1, x0:x1].copy(), hx, hy))
    return out
