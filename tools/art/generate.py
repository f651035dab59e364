#!/usr/bin/python3
"""Draws every picture of the game and writes the resource script.

    python3 tools/art/generate.py            write the files into data/
    python3 tools/art/generate.py --check    regenerate into a temporary folder and
                                             compare with the committed files
    python3 tools/art/generate.py --out DIR  write into DIR instead of data/

Writes data/gfx/*.png (texture atlases), data/bear.res, data/f1.fnt with
data/f1.png, data/icon.png and the desktop's icons dist/icons/*/timberdrive.png.
The output depends on nothing but this code: the same bytes on every run.
"""
import os
import sys


def _reexec_with_system_python():
    # The art needs Debian's python3-pil and python3-numpy; a python3 earlier on
    # the PATH (a virtualenv, pyenv) may lack them.
    try:
        import numpy  # noqa: F401
        import PIL  # noqa: F401
    except ImportError:
        if os.path.realpath(sys.executable) != os.path.realpath("/usr/bin/python3") and \
                os.path.exists("/usr/bin/python3"):
            os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
        raise


_reexec_with_system_python()

import filecmp  # noqa: E402
import io  # noqa: E402
import shutil  # noqa: E402
import tempfile  # noqa: E402

import numpy as np  # noqa: E402
from PIL import Image  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)

import bear  # noqa: E402
import cab  # noqa: E402
import font  # noqa: E402
import forest  # noqa: E402
import resscript  # noqa: E402
import screens  # noqa: E402
import things  # noqa: E402

ATLAS_W = 1024
PAD = 2

# Every sprite the game fetches by name, by the part of the game that draws it.
SPRITES = {
    "cab": ["dash", "seats", "steeringwheel", "gaspedal", "brakepedal", "shifter",
            "shifter_overlay", "gauge", "speed_arrow", "gas_arrow", "pointer", "black_circle",
            "snowflake", "antlers", "russianhat", "spit"],
    "bear": ["bearhead", "growl", "eat1", "eat2", "bearbody1", "bearbody2", "bearbody3",
             "bearbody4", "bearbody5", "paw", "paw_closed", "paw_grabbing", "arm"],
    "things": ["fishhead", "fishtail", "fishhead_half", "fishtail_half", "bonehead", "bonetail",
               "berry", "leaf1", "leaf2", "leaf3", "leaf4", "pinecone", "rock1", "rock2", "rock3",
               "snowball1", "snowball2", "snowball3", "clock", "clock_minute", "badger_paw",
               "badger_body", "badger_head1", "badger_head2", "bee1", "bee2", "ouch"],
    "forest": ["tree1", "tree2", "tree3", "tree4", "tree5", "tree6", "tree7", "mountain1",
               "mountain2", "mountain3", "mountain4", "boulder1", "boulder2", "bush1", "bushhalf",
               "bushempty", "pond1", "fishjump1", "fishjump2", "fishjump3", "cave", "sky1", "sky2",
               "sky3", "escort0", "escort1", "escort2", "escort3", "escort4", "escort5", "escort6",
               "escort7", "escort8"],
    "screens": ["timberdrive", "bear_sleep", "bear_eyes", "sample_fish", "sample_clock",
                "mouse_key", "z1", "z2", "z3"],
}
ALL_NAMES = [n for names in SPRITES.values() for n in names]

# Which atlas each sprite goes into (a few large ones get their own).
ATLASES = [
    ("cabframe", ["dash", "seats"]),
    ("cab", ["steeringwheel", "gaspedal", "brakepedal", "shifter", "shifter_overlay", "gauge",
             "speed_arrow", "gas_arrow", "pointer", "black_circle", "snowflake", "antlers"]),
    ("bear", ["bearhead", "growl", "eat1", "eat2", "russianhat", "bearbody1", "bearbody2",
              "bearbody3", "bearbody4", "bearbody5", "paw", "paw_closed", "paw_grabbing", "arm",
              "spit"]),
    ("things", SPRITES["things"]),
    ("trees", ["tree%d" % i for i in range(1, 8)]),
    ("mountains", ["mountain%d" % i for i in range(1, 5)] + ["cave"]),
    ("bushes", ["bush1", "bushhalf", "bushempty"]),
    ("forest", ["boulder1", "boulder2", "pond1", "fishjump1", "fishjump2", "fishjump3", "sky1",
                "sky2", "sky3"]),
    ("cars", ["escort%d" % i for i in range(9)]),
    ("screens", SPRITES["screens"]),
]

# Sections of the script, with a note for each sprite: where the game draws it.
SECTIONS = [
    ("Cab frame: drawn under the cab transform in cab pixels (16 per cab unit). They reach "
     "past the\n; 320 x 240 picture so that no gap shows when the cab tilts by 0.5 rad and "
     "lifts on bumps.", [
         ("dash", "at (0, 0); its top edge is the ledge at y 96 where things rest"),
         ("seats", "at (0, -16), last: the roof lining (lower edge = the roof at y 8), the "
                   "pillars and the seat backs"),
     ]),
    ("Cab fixtures and gauges: each hot spot is the body origin or pivot the game draws at.", [
        ("steeringwheel", "centre at (116, 116), turns with the wheel; rim radius 48, spokes "
                          "over the physics boxes"),
        ("gaspedal", "body origin; the plate covers x 8..32, y -32..0 of it"),
        ("brakepedal", "body origin; the plate covers x 4..40, y -24..0 of it"),
        ("shifter", "pivot (208, 208); stick and knob over the lever's boxes, knob forward at "
                    "+30 deg"),
        ("shifter_overlay", "at (184, 208): the console over the floor block (x 184..232, "
                            "y 200..240)"),
        ("gauge", "at (184, 102); dials round (200, 116) and (228, 124)"),
        ("speed_arrow", "pivot (200, 116); points at the dial's zero (down-left) at rotation 0, "
                        "sweeps 270 deg"),
        ("gas_arrow", "pivot (228, 124); points at empty (up-left) at rotation 0, sweeps 90 deg"),
        ("antlers", "at (162, 89); the plaque stands on the dash top"),
        ("pointer", "fetched but not drawn; tip"),
        ("black_circle", "fetched but not drawn; centre"),
        ("snowflake", "snowfall (turned about its centre) and the title screen"),
    ]),
    ("The bear: heads and the hat at the body origin (-48, 112), bodies 80 px below it. The "
     "eye's\n; white lies round (head + (76, 24)) where the game draws the pupil; the mouth "
     "is round (56, 160).", [
         ("bearhead", ""), ("growl", ""), ("eat1", "chewing, mouth open"),
         ("eat2", "chewing, mouth shut"), ("russianhat", ""),
         ("bearbody1", "fatness below 0"), ("bearbody2", "0 to 1/3"), ("bearbody3", "1/3 to 2/3"),
         ("bearbody4", "2/3 to 1"), ("bearbody5", "1 and above"),
         ("paw", "the paw point; free paw"), ("paw_closed", "missed grab, or on a fixture"),
         ("paw_grabbing", "behind a held thing"),
         ("arm", "top end at the paw point, reaching down-left past the picture"),
         ("spit", "crumbs from the mouth; rotation 0 flies right"),
     ]),
    ("Loose things of the cab: hot spot at the body origin; sized to the bodies at the scale "
     "the\n; game draws them (fish at their size, rocks at 2, bees at 0.5, the rest at 1).", [
         ("fishhead", "head box 2 x 0.5 units (half-extents) at size 1; the tail hinges at its "
                      "right end"),
         ("fishtail", "tail box 1.2 x 0.5 units"), ("fishhead_half", "tail eaten"),
         ("fishtail_half", "head eaten"), ("bonehead", ""), ("bonetail", ""),
         ("berry", "radius 0.4"), ("leaf1", "radius 0.5; red maple (tree2)"),
         ("leaf2", "oak (tree4)"), ("leaf3", "birch (tree1)"), ("leaf4", "aspen (tree7)"),
         ("pinecone", "radius 0.5"), ("rock1", "radius 0.8 at scale 2"),
         ("rock2", "radius 1.2 at scale 2"), ("rock3", "radius 1.9 at scale 2"),
         ("snowball1", "radius 0.8"), ("snowball2", "radius 1.2"), ("snowball3", "radius 1.6"),
         ("clock", "circle 0.99 and the base box below the centre"),
         ("clock_minute", "turns about the clock's centre; points up at rotation 0"),
         ("badger_paw", "leg circle; the leg reaches 1 unit down to the hip (flipped for the "
                        "lower legs)"),
         ("badger_body", "torso box 1.5 x 0.7 units"),
         ("badger_head1", "head circle; the neck reaches right to the torso"),
         ("badger_head2", "snapping"),
         ("bee1", "drawn at 0.5, faces left (flipped when flying right)"), ("bee2", ""),
         ("ouch", "where a bee stung the paw"),
     ]),
    ("The forest through the windshield: each stands on its hot spot (its foot; a pond's "
     "centre).\n; 10 units ahead at scale 2 a unit is 10.2 px of the view's projection; "
     "each kind has\n; more texels per such px where the car gets close (forest/art_density.h:"
     " trees %(TREE)d, the big\n; fir %(BIG_FIR)d, mountains %(MOUNTAIN)d, the cave %(CAVE)d, "
     "boulders %(BOULDER)d, bushes %(BUSH)d, the pond and its fish %(POND)d)."
     % forest.DENSITY, [
         ("tree1", "birch, trunk radius 0.5"), ("tree2", "maple, 0.7"), ("tree3", "spruce, 0.5"),
         ("tree4", "oak, 0.7"), ("tree5", "pine, 0.7"),
         ("tree6", "old fir, radius 1.0, drawn at scale 1"), ("tree7", "aspen, 0.7"),
         ("mountain1", "scale 4"), ("mountain2", ""), ("mountain3", ""), ("mountain4", ""),
         ("boulder1", "radius 2.4"), ("boulder2", "radius 2.0"),
         ("bush1", "radius 2.0 at scale 2.1; full of berries"), ("bushhalf", ""),
         ("bushempty", ""), ("pond1", "radius 2.7"),
         ("fishjump1", "over the pond, same hot spot"), ("fishjump2", ""), ("fishjump3", ""),
         ("cave", "over a mountain, same hot spot"),
         ("sky1", "an 8 px strip drawn at (-20, -7.8), stretched 45 x 1.2"), ("sky2", ""),
         ("sky3", ""),
     ]),
    ("The other cars, seen from the player's car. The game draws index i in 0..8 mirrored "
     "(negative\n; horizontal scale) when the car's forward direction is turned about "
     "(i - 8) x 22.5 deg\n; counterclockwise from the line of sight, and 16 - i unmirrored "
     "beyond: escort8 drives away,\n; escort0 comes head-on, escort4 crosses (stored nose "
     "left). Hot spot: 12 px below the ground\n; point under the car's origin, since the "
     "game draws it 12 x scale lower. %d texels per px of the projection." % forest.DENSITY["CAR"], [
         ("escort0", "head-on"), ("escort1", ""), ("escort2", ""), ("escort3", ""),
         ("escort4", "side on"), ("escort5", ""), ("escort6", ""), ("escort7", ""),
         ("escort8", "from behind"),
     ]),
    ("Screens: drawn in picture coordinates at the points the year-intro screen uses.", [
        ("timberdrive", "logo at (41, 7)"), ("bear_sleep", "at (12, 180)"),
        ("bear_eyes", "at (12, 180), over bear_sleep"), ("sample_fish", "at (160, 109)"),
        ("sample_clock", "at (272, 149)"), ("mouse_key", "the pointer: its tip"),
        ("z1", "at (78, 162)"), ("z2", ""), ("z3", ""),
    ]),
]


def build_sprites():
    sprites = {}
    for mod in (cab, bear, things, forest):
        for s in mod.all_sprites():
            if s.name in sprites:
                raise SystemExit("sprite %s made twice" % s.name)
            sprites[s.name] = s
    for s in screens.all_sprites(sprites["clock"], sprites["clock_minute"]):
        sprites[s.name] = s
    missing = [n for n in ALL_NAMES if n not in sprites]
    extra = [n for n in sprites if n not in ALL_NAMES]
    if missing or extra:
        raise SystemExit("sprites missing: %s, not listed: %s" % (missing, extra))
    return sprites


def pack(sprites, names):
    """Shelf packing, tallest first; returns the atlas pixels and {name: (x, y)}."""
    order = sorted(names, key=lambda n: (-sprites[n].h, -sprites[n].w, n))
    total = sum(sprites[n].w + PAD for n in names) + PAD
    width = max(min(ATLAS_W, total), max(sprites[n].w for n in names) + 2 * PAD)
    x, y, shelf = PAD, PAD, 0
    pos = {}
    for n in order:
        s = sprites[n]
        if x + s.w + PAD > width:
            x, y, shelf = PAD, y + shelf + PAD, 0
        pos[n] = (x, y)
        x += s.w + PAD
        shelf = max(shelf, s.h)
    height = y + shelf + PAD
    height = (height + 3) // 4 * 4
    width = (width + 3) // 4 * 4
    if width > 2048 or height > 2048:
        raise SystemExit("atlas too large: %d x %d" % (width, height))
    px = np.zeros((height, width, 4), np.uint8)
    for n, (x, y) in pos.items():
        s = sprites[n]
        px[y:y + s.h, x:x + s.w] = s.px
    return px, pos


def png_bytes(px):
    # Fully transparent pixels are stored as 0, 0, 0, 0 whatever was drawn under them.
    px = px.copy()
    px[px[:, :, 3] == 0] = 0
    buf = io.BytesIO()
    Image.fromarray(px, "RGBA").save(buf, "PNG", optimize=False, compress_level=9)
    return buf.getvalue()


def fmt(v):
    v = float(v)
    return "%d" % v if v == int(v) else ("%.2f" % v).rstrip("0")


def script(sprites, placement):
    lines = [
        "; Timberdrive's resource script: every texture, sprite and font the game asks for.",
        "; Made by tools/art/generate.py (change the generator, then run it).",
        ";",
        "; A sprite's rect is x, y, width, height in its texture; its hotspot is the point,",
        "; from the rect's top-left corner, that the game places at the drawn position and",
        "; turns and scales about.",
        "",
        "; The sound effects.",
        'Include "data\\sounds.res"',
        "",
        "; Texture atlases.",
    ]
    for tex, _ in ATLASES:
        lines.append('Texture %s { filename = "data\\gfx\\%s.png" }' % (tex, tex))
    lines += ["", "; The font of every text on the screens and of the \"Hibernate!\" notice.",
              'Font f1 { filename = "data\\f1.fnt" }']
    for title, entries in SECTIONS:
        lines += ["", "; ---- " + title]
        for name, note in entries:
            tex, (x, y) = placement[name]
            s = sprites[name]
            if note:
                lines.append("; %s: %s" % (name, note))
            lines.append("Sprite %s { texture = %s rect = %d, %d, %d, %d hotspot = %s, %s }"
                         % (name, tex, x, y, s.w, s.h, fmt(s.hx), fmt(s.hy)))
    return "\n".join(lines) + "\n"


# The desktop's icon theme wants the icon at several sizes: the 64 x 64 pixel art
# scaled by whole factors up, and filtered down.
ICON_SIZES = (16, 32, 48, 64, 128, 256)


def icon_files(px):
    files = {}
    base = Image.fromarray(px, "RGBA")
    for n in ICON_SIZES:
        if n == base.width:
            scaled = px
        else:
            method = Image.NEAREST if n % base.width == 0 else Image.LANCZOS
            scaled = np.asarray(base.resize((n, n), method))
        files["dist/icons/%dx%d/timberdrive.png" % (n, n)] = png_bytes(scaled)
    return files


def outputs():
    """{relative path: bytes} of every file the generator makes."""
    sprites = build_sprites()
    files = {}
    placement = {}
    listed = [n for _, names in ATLASES for n in names]
    if sorted(listed) != sorted(ALL_NAMES):
        raise SystemExit("atlas lists and sprite names differ")
    for tex, names in ATLASES:
        px, pos = pack(sprites, names)
        files["data/gfx/%s.png" % tex] = png_bytes(px)
        for n, p in pos.items():
            placement[n] = (tex, p)
    covered = [n for _, entries in SECTIONS for n, _ in entries]
    if sorted(covered) != sorted(ALL_NAMES):
        raise SystemExit("script sections and sprite names differ")
    files["data/bear.res"] = script(sprites, placement).encode("ascii")
    fpx, rects = font.bitmap()
    files["data/f1.png"] = png_bytes(fpx)
    files["data/f1.fnt"] = font.description("f1.png", rects).encode("ascii")
    icon = screens.icon().px
    files["data/icon.png"] = png_bytes(icon)
    files.update(icon_files(icon))
    return files


def write(files, root):
    for rel, data in sorted(files.items()):
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def check_script(root):
    """Reads the written script back as the engine would and checks every sprite."""
    records, problems = resscript.parse("data\\bear.res", root)
    tex = records["Texture"]
    sizes = {}
    for name, fields in tex.items():
        path = os.path.join(root, fields.get("filename", "").replace("\\", "/"))
        if os.path.exists(path):
            sizes[name] = Image.open(path).size
        else:
            problems.append("texture %s: no file %s" % (name, path))
    for name in ALL_NAMES:
        s = records["Sprite"].get(name)
        if s is None:
            problems.append("sprite %s not declared" % name)
            continue
        if s.get("texture") not in sizes:
            problems.append("sprite %s: texture %s not declared" % (name, s.get("texture")))
            continue
        x, y, w, h = s["rect"]
        tw, th = sizes[s["texture"]]
        if x < 0 or y < 0 or w <= 0 or h <= 0 or x + w > tw or y + h > th:
            problems.append("sprite %s: rect outside its texture" % name)
    if "f1" not in records["Font"]:
        problems.append("font f1 not declared")
    for rtype, recs in records.items():
        for name in recs:
            kw = resscript.starts_with_keyword(name)
            if kw:
                problems.append("%s %s reads as the keyword %s" % (rtype, name, kw))
    return problems


def main(argv):
    if "--check" in argv:
        files = outputs()
        again = outputs()
        unstable = [p for p in files if files[p] != again[p]]
        if unstable:
            print("not deterministic: %s" % ", ".join(unstable))
            return 1
        tmp = tempfile.mkdtemp(prefix="td-art-")
        try:
            write(files, tmp)
            differ = []
            for rel in sorted(files):
                mine = os.path.join(ROOT, rel)
                if not os.path.exists(mine) or not filecmp.cmp(mine, os.path.join(tmp, rel),
                                                               shallow=False):
                    differ.append(rel)
            if differ:
                print("differ from the generator's output: %s" % ", ".join(differ))
                return 1
            problems = check_script(ROOT)
            if problems:
                print("\n".join(problems))
                return 1
        finally:
            shutil.rmtree(tmp)
        total = sum(len(d) for d in files.values())
        print("ok: %d files, %d bytes, identical to a fresh run; script checked" % (len(files), total))
        return 0
    out = ROOT
    if "--out" in argv:
        out = argv[argv.index("--out") + 1]
    files = outputs()
    write(files, out)
    # The include must resolve when the script is read from this folder.
    sounds = os.path.join(out, "data", "sounds.res")
    if not os.path.exists(sounds):
        with open(sounds, "w") as f:
            f.write("; The sound effects (filled in by the sound data).\n")
    problems = check_script(out)
    for p in problems:
        print(p)
    print("wrote %d files (%d bytes) into %s" % (len(files), sum(len(d) for d in files.values()), out))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
