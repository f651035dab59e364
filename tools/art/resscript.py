"""A reader for the resource script format, following the engine's tokenizer.

The art tools use it to read data/bear.res back the way the game will: every
keyword is matched as a prefix, numbers run into hex letters, and a parameter's
"=" and a list's "," are skipped without being looked at. `parse` returns the
sprite, texture and font records and the list of problems it met; the checks
in generate.py fail on any problem.
"""
import os

KEYWORDS = [
    (5, "="), (6, ":"), (7, ","), (8, "{"), (9, "}"), (4, "true"), (4, "false"),
    (11, "Include"), (12, "Resource"), (13, "Texture"), (14, "Sound"), (15, "Music"),
    (16, "Stream"), (17, "Target"), (18, "Sprite"), (19, "Animation"), (20, "Font"),
    (21, "Particle"), (22, "Distortion"), (23, "StringTable"),
    (26, "filename"), (27, "resgroup"), (28, "mipmap"), (29, "genalpha"), (30, "amplify"),
    (31, "size"), (32, "zbuffer"), (33, "texture"), (34, "rect"), (35, "hotspot"),
    (36, "blendmode"), (37, "color"), (38, "zorder"), (39, "flip"), (40, "scale"),
    (41, "proportion"), (42, "rotation"), (43, "frames"), (44, "fps"), (45, "mode"),
    (46, "tracking"), (47, "spacing"), (48, "sprite"), (49, "mesh"),
    (52, "COLORMUL"), (53, "COLORADD"), (54, "ALPHABLEND"), (55, "ALPHAADD"), (56, "ZWRITE"),
    (57, "NOZWRITE"), (58, "FORWARD"), (59, "REVERSE"), (60, "PINGPONG"), (61, "NOPINGPONG"),
    (62, "LOOP"), (63, "NOLOOP"), (64, "CIRCLE"), (65, "RECT"), (66, "ALPHA"),
]
TYPES = {12: "Resource", 13: "Texture", 14: "Sound", 15: "Music", 16: "Stream", 17: "Target",
         18: "Sprite", 19: "Animation", 20: "Font", 21: "Particle", 22: "Distortion",
         23: "StringTable"}
PARAMS = {
    "Resource": {26, 27}, "Sound": {26, 27}, "Stream": {26, 27}, "StringTable": {26, 27},
    "Texture": {26, 27, 28, 29}, "Music": {26, 27, 30}, "Target": {27, 31, 32},
    "Sprite": {27, 33, 34, 35, 36, 37, 38, 39},
    "Animation": {27, 33, 34, 35, 36, 37, 38, 39, 43, 44, 45},
    "Font": {26, 27, 28, 36, 37, 38, 40, 41, 42, 46, 47},
    "Particle": {26, 27, 48}, "Distortion": {27, 33, 34, 36, 37, 38, 49},
}
HEX = set("ABCDEFabcdef")


def starts_with_keyword(name):
    """The keyword an unquoted name would be read as, or None."""
    for _, kw in KEYWORDS:
        if name.startswith(kw):
            return kw
    return None


class Tokenizer:
    def __init__(self, text, name):
        self.t, self.pos, self.line, self.name = text, 0, 1, name
        self.kind, self.text = 0, ""

    def next(self):
        t, n = self.t, len(self.t)
        while self.pos < n:
            ch = t[self.pos]
            if ch in " \t\r":
                self.pos += 1
            elif ch == "\n":
                self.line += 1
                self.pos += 1
            elif ch == ";":
                while self.pos < n and t[self.pos] not in "\r\n":
                    self.pos += 1
            else:
                break
        if self.pos >= n:
            self.kind, self.text = 1, ""
            return self.kind
        ch = t[self.pos]
        if ch.isdigit() or ch in ".-":
            s = self.pos
            while self.pos < n and (t[self.pos].isdigit() or t[self.pos] in ".-"):
                self.pos += 1
            self.kind = 2
            if self.pos < n and t[self.pos] in HEX:
                self.kind = 3
                while self.pos < n and t[self.pos] in HEX:
                    self.pos += 1
            self.text = t[s:self.pos]
            return self.kind
        if ch == '"':
            s = self.pos + 1
            e = s
            while e < n and t[e] not in '"\r\n':
                e += 1
            self.text = t[s:e]
            self.pos = e + 1 if e < n else e
            self.kind = 3
            return self.kind
        for kind, kw in KEYWORDS:
            if t.startswith(kw, self.pos):
                self.kind, self.text = kind, kw
                self.pos += len(kw)
                return kind
        s = self.pos
        while self.pos < n and t[self.pos] not in " \t\n\r,={}:":
            self.pos += 1
        self.kind, self.text = 3, t[s:self.pos]
        return 3

    def put_back(self):
        self.pos -= len(self.text)


def _num(s):
    try:
        return float(s)
    except ValueError:
        try:
            return float(int(s))
        except ValueError:
            return 0.0


def parse(path, root=".", problems=None, seen=None, records=None):
    """Parses a script (and its includes). Returns (records, problems); records maps
    type name -> {resource name: {param: value}}."""
    if problems is None:
        problems = []
    if seen is None:
        seen = set()
    if records is None:
        records = {v: {} for v in TYPES.values()}
    if path in seen:
        problems.append("script %s already parsed" % path)
        return records, problems
    seen.add(path)
    disk = os.path.join(root, path.replace("\\", "/"))
    if not os.path.exists(disk):
        problems.append("script %s not found" % path)
        return records, problems
    with open(disk, "rb") as f:
        text = f.read().decode("latin-1")
    tk = Tokenizer(text, path)

    def report(msg):
        problems.append("%s, line %d: %s '%s'" % (path, tk.line, msg, tk.text or "<EOF>"))

    def skip_to_command():
        while True:
            k = tk.next()
            if k == 1 or k == 11 or 12 <= k <= 23:
                return

    tk.next()
    while tk.kind != 1:
        if tk.kind == 11:
            tk.next()
            parse(tk.text, root, problems, seen, records)
            tk.next()
            continue
        if not 12 <= tk.kind <= 23:
            report("unrecognized resource specificator")
            skip_to_command()
            continue
        rtype = TYPES[tk.kind]
        tk.next()
        name = tk.text
        if name in records[rtype]:
            report("resource of the same type already defined")
            skip_to_command()
            continue
        tk.next()
        fields = {}
        if tk.kind == 6:
            tk.next()
            base = tk.text
            if base in records[rtype]:
                fields = dict(records[rtype][base])
            else:
                report("base resource not defined")
            tk.next()
        if tk.kind != 8:
            report("illegal resource syntax, '{' expected")
            skip_to_command()
            continue
        while True:
            k = tk.next()
            if k == 9:
                break
            if k == 1 or k == 11 or 12 <= k <= 23:
                report("'}' missed")
                tk.put_back()
                break
            if k not in PARAMS[rtype]:
                report("unsupported resource parameter")
                while True:
                    k = tk.next()
                    if k in (1, 9, 11) or 12 <= k <= 23 or 26 <= k <= 49:
                        tk.put_back()
                        break
                continue
            pname = tk.text
            tk.next()              # the "="
            if k in (34, 35, 31, 39, 49):
                count = {34: 4, 35: 2, 31: 2, 39: 2, 49: 2}[k]
                vals = []
                for i in range(count):
                    if i:
                        tk.next()  # the ","
                    tk.next()
                    vals.append(tk.text)
                if k == 39:
                    fields[pname] = [v[:1] in ("t", "T") for v in vals]
                else:
                    fields[pname] = [_num(v) for v in vals]
                if tk.kind not in (2, 3, 4):
                    report("unexpected value")
            elif k in (36, 45):
                report("blend and play modes are not checked here")
            else:
                tk.next()
                fields[pname] = tk.text
        records[rtype][name] = fields
        tk.next()
    return records, problems
