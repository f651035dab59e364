"""Pixel-art drawing on numpy RGBA canvases.

Every shape is decided per pixel centre, so edges are hard (no anti-aliasing) and
the results are the same on every machine. A canvas covers a rectangle of some
world space (cab pixels, bear space, ...), so the art can be drawn with the same
coordinates the game uses to place it.

A canvas may hold res x res texels per unit of its world (art that the game draws
magnified). Widths, rims, outlines and speckles are then measured in world units,
so the art keeps its look and only its edges get finer; at res 1 it is plain
pixel art.
"""
import numpy as np


def rgba(c):
    """0xRRGGBB (opaque) or (r, g, b[, a]) to an RGBA tuple."""
    if isinstance(c, int):
        return ((c >> 16) & 255, (c >> 8) & 255, c & 255, 255)
    if len(c) == 3:
        return (c[0], c[1], c[2], 255)
    return tuple(c)


def mix(c1, c2, t):
    a, b = rgba(c1), rgba(c2)
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3)) + (255,)


def hash01(x, y, seed):
    """A deterministic per-pixel value in [0, 1) from integer coordinates."""
    x = np.asarray(x, np.int64) & 0xFFFFFFFF
    y = np.asarray(y, np.int64) & 0xFFFFFFFF
    h = (x * 374761393 + y * 668265263 + (seed & 0xFFFF) * 2246822519) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    h = h ^ (h >> 16)
    return (h & 0xFFFFFF) / float(1 << 24)


class Rng:
    """A small LCG so that the art never depends on a library's generator."""

    def __init__(self, seed):
        self.s = seed & 0xFFFFFFFF

    def next(self):
        self.s = (self.s * 1103515245 + 12345) & 0x7FFFFFFF
        return self.s / float(0x80000000)

    def range(self, a, b):
        return a + (b - a) * self.next()

    def int(self, n):
        return int(self.next() * n) % n


def shift(m, dx, dy):
    """m moved by (dx, dy); what moves in from outside is False."""
    h, w = m.shape
    out = np.zeros_like(m)
    xs0, xs1 = max(0, -dx), min(w, w - dx)
    ys0, ys1 = max(0, -dy), min(h, h - dy)
    if xs0 < xs1 and ys0 < ys1:
        out[ys0 + dy:ys1 + dy, xs0 + dx:xs1 + dx] = m[ys0:ys1, xs0:xs1]
    return out


def erode(m, diag=False):
    r = m & shift(m, 1, 0) & shift(m, -1, 0) & shift(m, 0, 1) & shift(m, 0, -1)
    if diag:
        r &= shift(m, 1, 1) & shift(m, -1, -1) & shift(m, 1, -1) & shift(m, -1, 1)
    return r


def dilate(m, diag=False):
    r = m | shift(m, 1, 0) | shift(m, -1, 0) | shift(m, 0, 1) | shift(m, 0, -1)
    if diag:
        r |= shift(m, 1, 1) | shift(m, -1, -1) | shift(m, 1, -1) | shift(m, -1, 1)
    return r


def inside_distance(m, limit=64):
    """Octagonal distance (in pixels) from each pixel of m to the outside."""
    d = np.zeros(m.shape, np.float32)
    cur = m.copy()
    i = 0
    while cur.any() and i < limit:
        d += cur
        cur = erode(cur, diag=(i % 2 == 1))
        i += 1
    return d


def box_blur(a, r):
    """a averaged over a (2r + 1)-square round each point (edges repeated)."""
    if r < 1:
        return a
    k = 2 * r + 1
    for axis in (0, 1):
        p = np.pad(a, [(r + 1, r) if ax == axis else (0, 0) for ax in (0, 1)], mode="edge")
        c = np.cumsum(p, axis=axis, dtype=np.float64)
        a = (np.take(c, range(k, c.shape[axis]), axis=axis) -
             np.take(c, range(0, c.shape[axis] - k), axis=axis)) / k
    return a


def edge(m, diag=False):
    """The pixels of m that touch the outside."""
    return m & ~erode(m, diag)


class Canvas:
    """An RGBA picture of the world rectangle [x0, x0 + w) x [y0, y0 + h), with res
    texels per world unit."""

    def __init__(self, x0, y0, w, h, res=1):
        self.x0, self.y0, self.w, self.h, self.res = x0, y0, w, h, res
        self.px = np.zeros((h * res, w * res, 4), np.uint8)
        ys, xs = np.mgrid[0:h * res, 0:w * res]
        self.X = x0 + (xs + 0.5) / res     # texel centres in world units
        self.Y = y0 + (ys + 0.5) / res
        self.ix = np.floor(self.X).astype(np.int64)   # the world unit cell of each texel
        self.iy = np.floor(self.Y).astype(np.int64)

    def sh(self, m, dx, dy):
        """shift by (dx, dy) world units."""
        return shift(m, int(round(dx * self.res)), int(round(dy * self.res)))

    def grow(self, m, units=1.0):
        """m dilated by about `units` world units (alternating square and cross steps)."""
        for k in range(max(1, int(round(units * self.res)))):
            m = dilate(m, diag=(k % 2 == 1))
        return m

    # ---- masks -------------------------------------------------------------
    def none(self):
        return np.zeros(self.X.shape, bool)

    def rect(self, x0, y0, x1, y1):
        return (self.X >= x0) & (self.X < x1) & (self.Y >= y0) & (self.Y < y1)

    def ellipse(self, cx, cy, rx, ry):
        return ((self.X - cx) / rx) ** 2 + ((self.Y - cy) / ry) ** 2 <= 1.0

    def circle(self, cx, cy, r):
        return self.ellipse(cx, cy, r, r)

    def ring(self, cx, cy, r0, r1):
        d2 = (self.X - cx) ** 2 + (self.Y - cy) ** 2
        return (d2 <= r1 * r1) & (d2 > r0 * r0)

    def rrect(self, x0, y0, x1, y1, r):
        m = self.rect(x0 + r, y0, x1 - r, y1) | self.rect(x0, y0 + r, x1, y1 - r)
        for cx, cy in ((x0 + r, y0 + r), (x1 - r, y0 + r), (x0 + r, y1 - r), (x1 - r, y1 - r)):
            m |= self.circle(cx, cy, r)
        return m

    def poly(self, pts):
        """Even-odd polygon fill, tested at pixel centres."""
        X, Y = self.X, self.Y
        inside = self.none()
        n = len(pts)
        for i in range(n):
            x1, y1 = pts[i]
            x2, y2 = pts[(i + 1) % n]
            if y1 == y2:
                continue
            cond = (Y >= min(y1, y2)) & (Y < max(y1, y2))
            xint = x1 + (Y - y1) * (x2 - x1) / (y2 - y1)
            inside ^= cond & (X < xint)
        return inside

    def line(self, x1, y1, x2, y2, width):
        """A capsule: every pixel whose centre lies within width / 2 of the segment."""
        dx, dy = x2 - x1, y2 - y1
        l2 = dx * dx + dy * dy
        if l2 == 0:
            t = np.zeros_like(self.X)
        else:
            t = np.clip(((self.X - x1) * dx + (self.Y - y1) * dy) / l2, 0, 1)
        px = x1 + t * dx - self.X
        py = y1 + t * dy - self.Y
        return px * px + py * py <= (width / 2.0) ** 2

    def polyline(self, pts, width):
        m = self.none()
        for a, b in zip(pts, pts[1:]):
            m |= self.line(a[0], a[1], b[0], b[1], width)
        return m

    def hline(self, x0, x1, y):
        return self.rect(x0, y, x1, y + 1)

    def pixels(self, pts):
        m = self.none()
        r = self.res
        for x, y in pts:
            i, j = int(y - self.y0), int(x - self.x0)
            if 0 <= i < self.h and 0 <= j < self.w:
                m[i * r:(i + 1) * r, j * r:(j + 1) * r] = True
        return m

    def alpha(self):
        return self.px[:, :, 3] > 0

    # ---- painting ----------------------------------------------------------
    def fill(self, m, c):
        self.px[m] = rgba(c)

    def fill_under(self, m, c):
        """Paints only where nothing is yet."""
        self.px[m & ~self.alpha()] = rgba(c)

    def ramp_fill(self, m, ramp, idx):
        """idx: integer array of ramp indices (clipped)."""
        idx = np.clip(idx, 0, len(ramp) - 1)
        cols = np.array([rgba(c) for c in ramp], np.uint8)
        self.px[m] = cols[idx[m]]

    def bevel(self, m, ramp, width=1, light=(-1, -1), mid=None):
        """Flat mid tone, lit rim toward light, shaded rim away from it."""
        if mid is None:
            mid = len(ramp) // 2
        idx = np.full(m.shape, mid, np.int32)
        lx, ly = light
        for k in range(1, width * self.res + 1):
            lit = m & ~shift(m, -lx * k, -ly * k)
            dark = m & ~shift(m, lx * k, ly * k)
            idx[dark & (idx == mid)] = mid - 1
            idx[lit & (idx == mid)] = mid + 1
        self.ramp_fill(m, ramp, idx)

    def pillow(self, m, ramp, radius=6.0, light=(-0.55, -0.7, 0.45), mid=None,
               cuts=(0.12, 0.35), limit=64):
        """Soft-body shading from the distance to the outline, banded into the ramp."""
        if not m.any():
            return
        if mid is None:
            mid = len(ramp) // 2
        d = inside_distance(m, limit * self.res) / self.res
        hgt = np.sqrt(np.clip(d / radius, 0, 1)) * radius
        if self.res > 1:
            # The stepped distance would band the light in stripes at fine texels.
            hgt = box_blur(box_blur(hgt, self.res // 2 + 1), self.res // 2 + 1)
        gy, gx = np.gradient(hgt)
        gx, gy = gx * self.res, gy * self.res
        nz = np.ones_like(hgt)
        nx, ny = -gx, -gy
        ln = np.sqrt(nx * nx + ny * ny + nz * nz)
        L = np.array(light, np.float64)
        L = L / np.linalg.norm(L)
        lam = (nx * L[0] + ny * L[1] + nz * L[2]) / ln
        t = lam - L[2]
        idx = np.full(m.shape, mid, np.int32)
        idx += (t > cuts[0]).astype(np.int32) + (t > cuts[1]).astype(np.int32)
        idx -= (t < -cuts[0]).astype(np.int32) + (t < -cuts[1]).astype(np.int32)
        self.ramp_fill(m, ramp, idx)

    def sphere(self, m, cx, cy, r, ramp, light=(-0.5, -0.7, 0.5), cuts=(-0.35, 0.1, 0.45, 0.8)):
        """Banded lambert shading of a ball of centre (cx, cy) and radius r."""
        nx = (self.X - cx) / r
        ny = (self.Y - cy) / r
        nz = np.sqrt(np.clip(1 - nx * nx - ny * ny, 0, 1))
        L = np.array(light, np.float64)
        L = L / np.linalg.norm(L)
        lam = nx * L[0] + ny * L[1] + nz * L[2]
        idx = np.zeros(m.shape, np.int32)
        for c in cuts[:len(ramp) - 1]:
            idx += (lam > c).astype(np.int32)
        self.ramp_fill(m, ramp, idx)

    def speckle(self, m, c, density, seed, cluster=False):
        """Dots of a world unit on a share `density` of the unit cells of m (round
        when the canvas is finer)."""
        h = hash01(self.ix, self.iy, seed)
        s = m & (h < density)
        if self.res > 1:
            s &= (self.X - self.ix - 0.5) ** 2 + (self.Y - self.iy - 0.5) ** 2 <= 0.25
        if cluster:
            s = s | (shift(s, 1, 0) & m & (hash01(self.ix, self.iy, seed + 7) < 0.5))
        self.fill(s, c)

    def outline(self, c, diag=False, within=None):
        """Paints c on every empty pixel next to a painted one."""
        a = self.alpha()
        o = (dilate(a, diag) if self.res == 1 else self.grow(a)) & ~a
        if within is not None:
            o &= within
        self.fill(o, c)

    def inline(self, m, c, diag=False, sides=None):
        """Paints c on the edge pixels of m (inside m)."""
        e = edge(m, diag)
        if sides is not None:
            keep = np.zeros_like(m)
            for dx, dy in sides:
                keep |= m & ~shift(m, dx, dy)
            e &= keep
        self.fill(e, c)

    def clear(self, m):
        self.px[m] = 0

    def paste(self, other, dx=0, dy=0):
        """Draws another canvas over this one (world coordinates line up, shifted by dx, dy)."""
        ox = other.x0 + dx - self.x0
        oy = other.y0 + dy - self.y0
        for j in range(other.h):
            y = oy + j
            if not 0 <= y < self.h:
                continue
            x0, x1 = max(0, ox), min(self.w, ox + other.w)
            if x0 >= x1:
                continue
            src = other.px[j, x0 - ox:x1 - ox]
            dst = self.px[y, x0:x1]
            a = src[:, 3] > 0
            dst[a] = src[a]

    def copy(self):
        c = Canvas(self.x0, self.y0, self.w, self.h, self.res)
        c.px = self.px.copy()
        return c

    def upscale(self, k):
        """Each pixel becomes k x k pixels (world coordinates scale too)."""
        c = Canvas(self.x0 * k, self.y0 * k, self.w * k, self.h * k)
        c.px = np.repeat(np.repeat(self.px, k, axis=0), k, axis=1)
        return c

    def flipped_x(self):
        c = Canvas(-(self.x0 + self.w), self.y0, self.w, self.h)
        c.px = self.px[:, ::-1].copy()
        return c

    def bbox(self):
        a = self.alpha()
        if not a.any():
            return None
        ys = np.where(a.any(axis=1))[0]
        xs = np.where(a.any(axis=0))[0]
        return xs[0], ys[0], xs[-1] + 1, ys[-1] + 1


class Sprite:
    """A named picture and its hot spot in the picture's own pixels."""

    def __init__(self, name, px, hx, hy):
        self.name, self.px, self.hx, self.hy = name, px, hx, hy

    @property
    def w(self):
        return self.px.shape[1]

    @property
    def h(self):
        return self.px.shape[0]


def cut(name, canvas, hot, box=None):
    """A sprite of the canvas cropped to its painted texels (or to the world box
    (x0, y0, x1, y1)); hot is the world point that becomes the hot spot."""
    r = canvas.res
    if box is None:
        bb = canvas.bbox()
        if bb is None:
            raise ValueError("sprite %s is empty" % name)
        x0, y0, x1, y1 = bb
    else:
        x0, y0 = (box[0] - canvas.x0) * r, (box[1] - canvas.y0) * r
        x1, y1 = (box[2] - canvas.x0) * r, (box[3] - canvas.y0) * r
    px = canvas.px[y0:y1, x0:x1].copy()
    return Sprite(name, px, (hot[0] - canvas.x0) * r - x0, (hot[1] - canvas.y0) * r - y0)
