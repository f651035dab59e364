"""Draws sprites the way the game does, to check the art in place.

`Picture.draw` is the sprite's DrawTransformed with point sampling, under an
optional view transform (the cab's tilt about the picture centre and its lift on
bumps); the scenes below follow the game's drawing order for the cab and the
windshield view. A picture can be supersampled (ss > 1) so that physics outlines
can be drawn over it finely.
"""
import math

import numpy as np


class Picture:
    def __init__(self, w=320, h=240, ss=1, bg=(0, 0, 0)):
        self.w, self.h, self.ss = w, h, ss
        self.px = np.zeros((h * ss, w * ss, 3), np.float32)
        self.px[:, :] = bg
        ys, xs = np.mgrid[0:h * ss, 0:w * ss]
        self.sx = (xs + 0.5) / ss       # picture coordinates of each output pixel
        self.sy = (ys + 0.5) / ss
        self.set_view(0, 0)

    def set_view(self, tilt, bump):
        """The cab transform: turn by -tilt about (160, 120), lift by 32 x bump."""
        self.tilt, self.bump = tilt, bump

    def to_cab(self, sx, sy):
        """Picture point -> cab point (inverse of the view transform)."""
        rot = -self.tilt
        u = sx - 160.0
        v = sy - (120.0 - 32.0 * self.bump)
        # forward: (u, v) -> (u cos r + v sin r, -u sin r + v cos r); inverse is its transpose
        c, s = math.cos(rot), math.sin(rot)
        return 160.0 + u * c - v * s, 120.0 + u * s + v * c

    def to_pic(self, x, y):
        rot = -self.tilt
        c, s = math.cos(rot), math.sin(rot)
        u, v = x - 160.0, y - 120.0
        return (160.0 + u * c + v * s, 120.0 - 32.0 * self.bump - u * s + v * c)

    def draw(self, spr, x, y, rot=0.0, hs=1.0, vs=0.0, tint=None):
        if spr is None:
            return
        if vs == 0:
            vs = hs
        # Bounding box of the sprite in picture coordinates.
        corners = []
        for i, j in ((0, 0), (spr.w, 0), (spr.w, spr.h), (0, spr.h)):
            p, q = (i - spr.hx) * hs, (j - spr.hy) * vs
            c, s = math.cos(rot), math.sin(rot)
            corners.append(self.to_pic(x + p * c - q * s, y + p * s + q * c))
        xs = [p[0] for p in corners]
        ys = [p[1] for p in corners]
        a0 = max(0, int(math.floor(min(xs) * self.ss)))
        a1 = min(self.w * self.ss, int(math.ceil(max(xs) * self.ss)))
        b0 = max(0, int(math.floor(min(ys) * self.ss)))
        b1 = min(self.h * self.ss, int(math.ceil(max(ys) * self.ss)))
        if a0 >= a1 or b0 >= b1:
            return
        sx = self.sx[b0:b1, a0:a1]
        sy = self.sy[b0:b1, a0:a1]
        cx, cy = self.to_cab(sx, sy)
        c, s = math.cos(-rot), math.sin(-rot)
        dx, dy = cx - x, cy - y
        p = dx * c - dy * s
        q = dx * s + dy * c
        ti = np.floor(p / hs + spr.hx).astype(np.int64)
        tj = np.floor(q / vs + spr.hy).astype(np.int64)
        ok = (ti >= 0) & (ti < spr.w) & (tj >= 0) & (tj < spr.h)
        tex = spr.px[np.clip(tj, 0, spr.h - 1), np.clip(ti, 0, spr.w - 1)].astype(np.float32)
        if tint is not None:
            tex[..., :3] *= np.array(tint[:3], np.float32) / 255.0
        alpha = tex[..., 3] / 255.0 * ok
        if tint is not None and len(tint) > 3:
            alpha = alpha * tint[3] / 255.0
        alpha[alpha < 1.0 / 255.0] = 0
        dst = self.px[b0:b1, a0:a1]
        dst[:] = dst * (1 - alpha[..., None]) + tex[..., :3] * alpha[..., None]

    def rect(self, x, y, w, h, colour):
        """Gfx_DrawRect under the view transform."""
        cx, cy = self.to_cab(self.sx, self.sy)
        m = (cx >= x) & (cx < x + w) & (cy >= y) & (cy < y + h)
        self.px[m] = colour

    def image(self):
        from PIL import Image
        return Image.fromarray(np.clip(self.px, 0, 255).astype(np.uint8), "RGB")


# --- the windshield view -------------------------------------------------------
H_LIFT = -60.0
HORIZON = 128.0 + H_LIFT
STRIPES = [(0x29, 0x52, 0x15), (0x1E, 0x3B, 0x0F)]


def draw_view(pic, spr, sky, objects, stripe_phase=0.0, picked=None):
    """objects: (sprite name, local x, local y, scale factor, heading angle or None).
    Each sprite is drawn at the view's scale over its art's density, as the game does."""
    from forest import density_of
    saved = (pic.tilt, pic.bump)
    pic.set_view(0, 0)
    pic.draw(spr.get(sky), -20, min(HORIZON - 76.8 + 1, 0), 0, 45, 1.2)

    def yz(z):
        return HORIZON - H_LIFT / (z + 10) + 1000.0 / (z + 10) - 16

    z, p = 5 * stripe_phase, 0
    top = yz(z)
    hgt = 400 - top
    while hgt >= 1:
        m = (pic.sy >= top) & (pic.sy < top + hgt)
        pic.px[m] = STRIPES[p]
        p = 1 - p
        z += 5
        nt = yz(z)
        hgt = top - nt
        top = nt
    order = sorted(objects, key=lambda o: -o[2])
    for name, lx, ly, objscale, heading in order:
        if ly < 0.5:
            continue
        sx = (math.atan2(lx, ly) / (math.pi / 4) + 1) * 160
        d = math.hypot(lx, ly)
        scale = 10.0 / d
        sy = HORIZON - H_LIFT / d + 20 * scale
        if heading is None:
            g = int(np.clip(255 + (150 - 255) * d / 100.0, 150, 255))
            pic.draw(spr.get(name), sx, sy, 0, objscale * scale / density_of(name), 0,
                     tint=(g, g, g))
            continue
        # A car: heading is the angle of its local x axis in the viewer's frame
        # (viewer looking along +y); u points from viewer to car.
        ux, uy = lx / d, ly / d
        hx, hy = math.cos(heading), math.sin(heading)
        a = math.acos(max(-1.0, min(1.0, -(hx * ux + hy * uy))))
        if uy * hx - hy * ux < 0:
            a = -a
        va = np.float32(a + 9 * math.pi / 16)
        idx = int(np.float32(va) * np.float32(2.546479))
        idx %= 16
        mirrored = idx > 8
        if mirrored:
            idx = 16 - idx
        s = 0.5 * scale
        if picked is not None:
            picked.append((idx, mirrored))
        t = s / density_of("escort")
        pic.draw(spr.get("escort%d" % idx), sx, sy + 12 * s, 0, t if mirrored else -t, t)
    pic.set_view(*saved)


# --- the cab ------------------------------------------------------------------
def draw_cab(pic, spr, st):
    """st: a dict of the cab's state (positions in cab units, as the game keeps them)."""
    pic.set_view(st.get("tilt", 0.0), st.get("bump", 0.0))
    D = pic.draw
    D(spr.get("dash"), 0, 0, 0, 1, 1)
    if st.get("antlers"):
        D(spr.get("antlers"), 162, 89)
    gx, gy = st.get("gas", (8.25, 13.75))
    D(spr.get("gaspedal"), 16 * gx, 16 * gy, 0, 1, 1)
    bx, by = st.get("brake", (4.75, 13.5))
    D(spr.get("brakepedal"), 16 * bx, 16 * by, 0, 1, 1)
    D(spr.get("shifter"), 208, 208, st.get("lever", math.pi / 6), 1, 0)
    D(spr.get("shifter_overlay"), 184, 208)
    D(spr.get("gauge"), 184, 102)
    D(spr.get("speed_arrow"), 200, 116,
      np.clip(st.get("speed", 0) / 20.0, 0, 1) * 1.5 * math.pi, 1, 0)
    D(spr.get("gas_arrow"), 228, 124, np.clip(st.get("fat", 0.25), 0, 1) * 0.5 * math.pi, 1, 0)
    held = st.get("held")
    if held:
        D(spr.get("arm"), 16 * held[0], 16 * held[1])
        D(spr.get("paw_grabbing"), 16 * held[0], 16 * held[1])
    hx, hy = -48, 112
    head = st.get("head", "bearhead")
    D(spr.get(head), hx, hy)
    if st.get("hat"):
        D(spr.get("russianhat"), hx, hy)
    fat = st.get("fat", 0.25)
    i = int(np.clip(math.floor(3 * fat) + 1, 0, 4))
    D(spr.get("bearbody%d" % (i + 1)), hx, hy + 80)
    ex, ey = hx + 76, hy + 24
    px, py = st.get("paw", (10, 10))
    dx, dy = 16 * px - ex, 16 * py - ey
    L = math.hypot(dx, dy)
    if L > 1.1920929e-7:
        dx, dy = dx / L, dy / L
    pic.rect(ex + 1.5 * dx, ey + 1.5 * dy, 2, 2, (0x14, 0x14, 0x14))
    for name, x, y, rot, hsc, vsc in st.get("things", []):
        D(spr.get(name), 16 * x, 16 * y, rot, hsc, vsc)
    D(spr.get("steeringwheel"), 116, 116, st.get("wheel", 0.0), 1, 0)
    for x, y, r in st.get("crumbs", []):
        D(spr.get("spit"), hx + 90 + 16 * x, hy + 50 + 16 * y, r)
    if not held:
        grip = st.get("grip")
        if grip:
            D(spr.get("arm"), 16 * grip[0], 16 * grip[1])
            D(spr.get("paw_closed"), 16 * grip[0], 16 * grip[1])
        else:
            D(spr.get("arm"), 16 * px, 16 * py)
            D(spr.get("paw_closed" if st.get("closed") else "paw"), 16 * px, 16 * py)
    D(spr.get("seats"), 0, -16, 0, 1, 1)
    pic.set_view(0, 0)


def load(root):
    """Every sprite and the font as the resource script declares them."""
    import os
    import sys
    from PIL import Image
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import resscript
    from pixel import Sprite
    records, problems = resscript.parse("data\\bear.res", root)
    textures = {}
    for name, f in records["Texture"].items():
        path = os.path.join(root, f["filename"].replace("\\", "/"))
        textures[name] = np.array(Image.open(path).convert("RGBA"))
    sprites = {}
    for name, f in records["Sprite"].items():
        tex = textures.get(f.get("texture"))
        if tex is None:
            problems.append("sprite %s has no texture" % name)
            continue
        x, y, w, h = [int(v) for v in f.get("rect", [0, 0, 0, 0])]
        hx, hy = f.get("hotspot", [0.0, 0.0])
        sprites[name] = Sprite(name, tex[y:y + h, x:x + w], hx, hy)
    fonts = {}
    for name, f in records["Font"].items():
        fonts[name] = BitmapFont(os.path.join(root, f["filename"].replace("\\", "/")))
    return sprites, fonts, problems


class BitmapFont:
    """Reads a "[DENFONT]" file; draws text the way the engine's Font does (unscaled)."""

    def __init__(self, path):
        import os
        from PIL import Image
        from pixel import Sprite
        self.glyphs, self.pre, self.post = {}, {}, {}
        lines = open(path, "rb").read().decode("latin-1").splitlines()
        if not lines or lines[0] != "[DENFONT]":
            raise ValueError("%s: not a [DENFONT] file" % path)
        tex = None
        for line in lines[1:]:
            if line.startswith("Bitmap"):
                name = line.split("=", 1)[1].strip()
                tex = np.array(Image.open(os.path.join(os.path.dirname(path), name)).convert("RGBA"))
            elif line.startswith("Char") and "=" in line and tex is not None:
                rest = line.split("=", 1)[1].strip()
                code, vals = rest.split(",", 1)
                code = int(code.strip(), 16)
                x, y, w, h, pre, post = [int(v) for v in vals.split(",")]
                self.glyphs[code] = Sprite(chr(code), tex[y:y + h, x:x + w], 0, 0)
                self.pre[code], self.post[code] = pre, post

    def width(self, text):
        w = 0
        for ch in text:
            code = ord(ch) if ord(ch) in self.glyphs else ord("?")
            if code in self.glyphs:
                w += self.pre[code] + self.glyphs[code].w + self.post[code]
        return w

    def span(self, x, text, start, length):
        """The game's glyphSpan: from the left edge of text[start]'s glyph to the right
        edge of text[start + length - 1]'s, without the spacing around them, for
        text drawn left-aligned at x. Returns (x, width)."""
        end = min(start + length, len(text))
        start = min(start, len(text))
        if end <= start:
            return x, 0

        def shown(ch):
            return ord(ch) if ord(ch) in self.glyphs else ord("?")
        left = x + self.width(text[:start]) + self.pre.get(shown(text[start]), 0)
        right = x + self.width(text[:end]) - self.post.get(shown(text[end - 1]), 0)
        return left, max(right - left, 0)

    def draw(self, pic, x, y, text, align=0, colour=(255, 255, 255), scale=1.0):
        if align == 1:
            x -= self.width(text) * scale
        elif align == 2:
            x -= int(self.width(text) * scale / 2)
        for ch in text:
            code = ord(ch) if ord(ch) in self.glyphs else ord("?")
            if code not in self.glyphs:
                continue
            x += self.pre[code] * scale
            pic.draw(self.glyphs[code], x, y, 0, scale, scale, tint=colour)
            x += (self.post[code] + self.glyphs[code].w) * scale
