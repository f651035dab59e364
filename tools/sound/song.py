"""The round's music, "mossbeat65": a folk-rock drive through an autumn forest
in D minor, 112 BPM, twelve orders of four bars (about 1 min 43 s), looping.

Instrument 18 (counted from 0) is the whistling lead line. The round mutes it,
so everything else carries the piece by itself: guitar, bass, drums, pads, and
a fiddle, clarinet and glockenspiel that take the tune in the other sections.
"""
import math

import numpy as np

import xm
from dsp import (SR, Rand, bandpass, decay, envelope, formants, highpass, lowpass, modes,
                 peak, samples, spectral, times)
from xm import NOTE_OFF, Instrument, Pattern, Sample, note_number as N

SPEED, BPM = 6, 112
ROWS = 64

# ---------------------------------------------------------------- instruments


def _loop_from_partials(rng, length, partials):
    """A loop of `length` frames from (dft bin, amplitude) partials: every
    partial makes a whole number of cycles, so the loop has no seam."""
    spectrum = np.zeros(length // 2 + 1, dtype=complex)
    for b, a in partials:
        if 0 < b < length // 2:
            spectrum[b] += a * np.exp(1j * rng.range(0, 2 * math.pi))
    x = np.fft.irfft(spectrum, length)
    return x / np.max(np.abs(x))


def _saw_partials(n_cycles, detunes, weight, fundamental, limit):
    out = []
    for c in detunes:
        base = n_cycles + c
        h = 1
        while h * fundamental < limit:
            out.append((h * base, weight(h, h * fundamental) / len(detunes)))
            h += 1
    return out


def _norm(x, level=0.95):
    return x * (level / np.max(np.abs(x)))


def _fade_end(x, seconds=0.03):
    m = samples(seconds)
    x = x.copy()
    x[-m:] *= np.linspace(1, 0, m)
    return x


def kick(rng):
    n = samples(0.42)
    t = times(n)
    f = 48 + 110 * np.exp(-t / 0.035)
    body = np.sin(2 * np.pi * np.cumsum(f) / SR) * decay(n, 0.16, attack=0.001)
    click = spectral(rng.white(n), bandpass(1000, 5000)) * decay(n, 0.004)
    return _norm(body + 0.3 * click / np.max(np.abs(click)))


def snare(rng):
    n = samples(0.3)
    body = modes(n, [(190, 0.05, 1.0), (330, 0.03, 0.5)])
    rattle = spectral(rng.white(n), bandpass(1200, 8000)) * decay(n, 0.09, attack=0.001)
    return _norm(0.5 * body + rattle / np.max(np.abs(rattle)))


def hat(rng, tau, length):
    n = samples(length)
    metal = sum(np.sign(np.sin(2 * np.pi * f * times(n))) for f in (540, 800, 1060, 1390, 1720, 2110))
    x = spectral(metal * 0.15 + rng.white(n), highpass(6500, 3)) * decay(n, tau, attack=0.0005)
    return _norm(_fade_end(x))


def shaker(rng):
    n = samples(0.14)
    x = spectral(rng.white(n), bandpass(4000, 10000)) * envelope(n, [(0, 0), (0.012, 1), (0.14, 0)]) ** 2
    return _norm(x)


def woodblock(rng):
    n = samples(0.15)
    return _norm(modes(n, [(820, 0.03, 1.0), (1640 * 1.13, 0.015, 0.4), (2900, 0.006, 0.2)]))


def tom(rng):
    n = samples(0.6)
    t = times(n)
    f = 82 + 40 * np.exp(-t / 0.06)
    x = np.sin(2 * np.pi * np.cumsum(f) / SR) * decay(n, 0.22, attack=0.001)
    x += 0.2 * spectral(rng.white(n), bandpass(200, 2000)) * decay(n, 0.03)
    return _norm(x)


def crash_cymbal(rng):
    n = samples(2.2)
    x = spectral(rng.white(n), highpass(3000, 2)) * decay(n, 0.7, attack=0.003)
    partials = [(rng.log_range(2500, 9000), rng.range(0.3, 1.0), rng.range(0.02, 0.06), rng.range(0, 6.28))
                for _ in range(30)]
    x += modes(n, partials)
    return _norm(_fade_end(x, 0.2))


def bass(rng):
    f0 = 110.0
    n = samples(2.2)
    t = times(n)
    x = np.zeros(n)
    for h in range(1, 40):
        if h * f0 > 4500:
            break
        pluck = abs(math.sin(math.pi * h * 0.22))
        x += pluck / h ** 1.1 * np.exp(-t * (0.9 + 0.55 * h)) * np.sin(2 * np.pi * h * f0 * t + rng.range(0, 0.3))
    x *= np.clip(t / 0.004, 0, 1)
    x += 0.08 * spectral(rng.white(n), bandpass(80, 600)) * decay(n, 0.02)
    return _norm(_fade_end(x, 0.2)), f0


def karplus(rng, period, seconds, damping, weight, excitation_lp):
    """Plucked string: a delay line of period frames with an averaging loss
    filter; the loop delay is period + (1 - weight) frames."""
    n = samples(seconds)
    y = np.zeros(n)
    y[:period + 1] = spectral(rng.white(period + 1), lowpass(excitation_lp, 1))
    y[:period + 1] -= np.mean(y[:period + 1])
    a, b = damping * weight, damping * (1 - weight)
    s = period + 1
    while s < n:
        e = min(s + period, n)
        y[s:e] = a * y[s - period:e - period] + b * y[s - period - 1:e - period - 1]
        s = e
    return y, SR / (period + 1 - weight)


def guitar(rng):
    y, f = karplus(rng, 100, 2.4, 0.9965, 0.5, 2500)
    y = spectral(y, formants([(110, 2, 0.6), (230, 2.5, 0.5), (800, 1, 0.35)], floor=0.7))
    return _norm(_fade_end(y, 0.3)), f


def banjo(rng):
    y, f = karplus(rng, 50, 1.2, 0.992, 0.55, 6000)
    y = y - 0.6 * np.roll(y, 6)   # picked near the bridge: twangy
    y = spectral(y, formants([(1800, 2, 1.0), (3200, 3, 0.5)], floor=0.4))
    return _norm(_fade_end(y, 0.15)), f


def strings_pad(rng):
    period, cycles = 100, 200
    f = SR / period
    parts = _saw_partials(cycles, (-2, 0, 2), lambda h, hz: lowpass(2400, 2)(hz) / h, f, 6000)
    return _loop_from_partials(rng, period * cycles, parts) * 0.95, f


def harmonium(rng):
    period, cycles = 100, 200
    f = SR / period
    parts = _saw_partials(cycles, (0, 1), lambda h, hz: (1.0 if h % 2 else 0.55) / h * lowpass(2600, 2)(hz), f, 5000)
    return _loop_from_partials(rng, period * cycles, parts) * 0.95, f


def choir(rng):
    period, cycles = 100, 200
    f = SR / period
    vowel = formants([(420, 4, 1.0), (800, 5, 0.55), (2600, 6, 0.2)], floor=0.03)
    parts = _saw_partials(cycles, (-3, -1, 1, 3), lambda h, hz: vowel(hz) / h ** 0.7, f, 5000)
    return _loop_from_partials(rng, period * cycles, parts) * 0.95, f


def fiddle(rng):
    period, cycles = 50, 441
    f = SR / period
    body = formants([(290, 3, 0.8), (470, 3, 0.7), (1100, 2, 1.0), (2700, 3, 0.7)], floor=0.08)
    parts = _saw_partials(cycles, (0,), lambda h, hz: body(hz) / h, f, 7000)
    x = _loop_from_partials(rng, period * cycles, parts)
    bow = spectral(rng.white(period * cycles), bandpass(1500, 6000), circular=True)
    x = x + 0.05 * bow / np.max(np.abs(bow))
    return _norm(x), f


def clarinet(rng):
    period, cycles = 100, 220
    f = SR / period
    def weight(h, hz):
        a = 1.0 / h if h % 2 else (0.0 if hz < 1800 else 0.35 / h)
        return a * lowpass(3000, 2)(hz)
    x = _loop_from_partials(rng, period * cycles, _saw_partials(cycles, (0,), weight, f, 6000))
    breath = spectral(rng.white(period * cycles), bandpass(1000, 5000), circular=True)
    return _norm(x + 0.03 * breath / np.max(np.abs(breath))), f


def lead_pipe(rng):
    """The lead: a bright, reedy whistle in the engine's own range."""
    period, cycles = 50, 441
    f = SR / period
    bright = lambda hz: 0.5 + 0.9 * peak(2300, 1.4)(hz)
    def weight(h, hz):
        return (1.0 if h % 2 else 0.45) / h * bright(hz)
    x = _loop_from_partials(rng, period * cycles, _saw_partials(cycles, (0,), weight, f, 9000))
    breath = spectral(rng.white(period * cycles), bandpass(2000, 8000), circular=True)
    return _norm(x + 0.06 * breath / np.max(np.abs(breath))), f


def glockenspiel(rng):
    f0 = 880.0
    n = samples(1.5)
    x = modes(n, [(f0, 0.9, 1.0), (f0 * 2.76, 0.3, 0.35), (f0 * 5.40, 0.12, 0.15), (f0 * 8.93, 0.06, 0.06)])
    x += 0.1 * spectral(rng.white(n), highpass(4000)) * decay(n, 0.003)
    return _norm(_fade_end(x, 0.1)), f0


def epiano(rng):
    f0 = 440.0
    n = samples(2.2)
    t = times(n)
    index = 1.6 * np.exp(-t / 0.22) + 0.25
    x = np.sin(2 * np.pi * f0 * t + index * np.sin(2 * np.pi * f0 * t))
    x *= np.exp(-t / 0.9) * np.clip(t / 0.003, 0, 1)
    x += 0.12 * np.sin(2 * np.pi * f0 * 7.0 * t) * np.exp(-t / 0.04)
    return _norm(_fade_end(x, 0.2)), f0


def forest_wind(rng):
    length = 2 * SR
    t = np.arange(length) / SR
    low = spectral(rng.white(length), formants([(420, 2, 1.0)], floor=0.02), circular=True)
    high = spectral(rng.white(length), formants([(1300, 2, 1.0), (2600, 3, 0.4)], floor=0.01), circular=True)
    w = 0.5 + 0.5 * np.sin(2 * np.pi * 0.5 * t)          # whole cycles in the loop
    gust = 1.0 + 0.35 * np.sin(2 * np.pi * 1.5 * t + 1.0)
    x = (low / np.std(low) * (1 - w) + 0.6 * high / np.std(high) * w) * gust
    return _norm(x)


def instruments():
    """The 20 instruments, in file order (index 18 is the lead)."""
    rng = Rand(6500)
    out = []

    def drum(name, data, volume=64):
        out.append(Instrument(name, Sample(data, SR, None, volume=volume, name=name)))

    def tone(name, data_freq, env=None, sustain=None, fadeout=0, vibrato=(0, 0, 0, 0), loop=False, volume=64):
        data, f = data_freq
        lp = (0, len(data)) if loop else None
        out.append(Instrument(name, Sample(data, SR, f, loop=lp, volume=volume, name=name),
                              env, sustain, fadeout, vibrato))

    drum('Kick', kick(rng))                                   # 0
    drum('Snare', snare(rng))                                 # 1
    drum('Closed hat', hat(rng, 0.025, 0.12))                 # 2
    drum('Open hat', hat(rng, 0.22, 0.6))                     # 3
    drum('Shaker', shaker(rng))                               # 4
    drum('Woodblock', woodblock(rng))                         # 5
    drum('Low tom', tom(rng))                                 # 6
    drum('Crash', crash_cymbal(rng))                          # 7
    tone('Upright bass', bass(rng))                           # 8
    tone('Nylon guitar', guitar(rng))                         # 9
    tone('Banjo', banjo(rng))                                 # 10
    tone('Strings', strings_pad(rng), [(0, 0), (14, 64), (40, 52)], 2, 700, loop=True)        # 11
    tone('Harmonium', harmonium(rng), [(0, 0), (6, 64), (30, 56)], 2, 1100, loop=True)       # 12
    tone('Electric piano', epiano(rng))                       # 13
    tone('Glockenspiel', glockenspiel(rng))                   # 14
    tone('Fiddle', fiddle(rng), [(0, 0), (5, 64), (24, 54)], 2, 1600, (0, 24, 5, 14), loop=True)  # 15
    tone('Clarinet', clarinet(rng), [(0, 0), (3, 64), (14, 56)], 2, 1800, (0, 30, 2, 10), loop=True)  # 16
    tone('Choir', choir(rng), [(0, 0), (26, 64)], 1, 600, loop=True)                          # 17
    tone('Lead whistle', lead_pipe(rng), [(0, 0), (2, 64), (10, 54)], 2, 2600, (0, 16, 6, 16), loop=True)  # 18
    w = forest_wind(rng)                                      # 19
    out.append(Instrument('Forest wind', Sample(w, SR, None, loop=(0, len(w)), name='Forest wind'),
                          [(0, 0), (60, 64)], 1, 250))
    return out


(KICK, SNARE, CHAT, OHAT, SHAKER, WOOD, TOM, CRASH, BASS, GUITAR, BANJO, STRINGS, HARMONIUM,
 EPIANO, GLOCK, FIDDLE, CLARINET, CHOIR, LEAD, WIND) = range(1, 21)   # numbers as written in patterns

# ---------------------------------------------------------------- the score

(C_KICK, C_SNARE, C_HAT, C_PERC, C_BASS, C_GTR_A, C_GTR_B, C_KEYS, C_PAD1, C_PAD2, C_PAD3,
 C_CHOIR, C_COUNTER, C_GLOCK, C_LEAD, C_WIND) = range(16)
CHANNELS = 16

PC = {'C': 0, 'C#': 1, 'D': 2, 'Eb': 3, 'E': 4, 'F': 5, 'F#': 6, 'G': 7, 'Ab': 8, 'A': 9, 'Bb': 10, 'B': 11}
# chord: root, third (3 minor, 4 major), pad voicing
CHORDS = {
    'Dm': ('D', 3, ['D4', 'F4', 'A4']),
    'Bb': ('Bb', 4, ['D4', 'F4', 'Bb4']),
    'F':  ('F', 4, ['C4', 'F4', 'A4']),
    'C':  ('C', 4, ['C4', 'E4', 'G4']),
    'Gm': ('G', 3, ['D4', 'G4', 'Bb4']),
    'A':  ('A', 4, ['C#4', 'E4', 'A4']),
}


def root_in(chord, low):
    """The chord's root as the lowest note at or above note `low`."""
    pc = PC[CHORDS[chord][0]]
    n = low + ((pc - (low - 1)) % 12)
    return n


def melody(p, ch, inst, bars, vol, shift=0, bar0=0):
    """Bars of eight eighth-note tokens: a note ('A4', 'C#5', 'Bb4'), '-' to
    hold, '.' to stop; 'x/y' splits an eighth into two sixteenths."""
    for b, bar in enumerate(bars):
        tokens = bar.split()
        assert len(tokens) == 8, bar
        for i, tok in enumerate(tokens):
            subs = tok.split('/')
            for j, s in enumerate(subs):
                row = (bar0 + b) * 16 + i * 2 + j * (2 // len(subs))
                if s == '-':
                    continue
                if s == '.':
                    p.off(row, ch)
                else:
                    p.put(row, ch, N(s) + 12 * shift, inst, vol)


LEAD_A = ["A4 D5 E5 F5 - E5 D5 A4", "F5 - D5 - Bb4 C5 D5 -", "C5 - F5 - A5 G5 F5 E5", "G5 - - E5 C5 - . ."]
LEAD_A2 = ["A4 D5 E5 F5 - A5 G5 F5", "D5 - F5 - Bb5 A5 G5 F5", "A5 - C6 - A5 G5 F5 G5", "E5 - - - C5 D5 E5 G5"]
LEAD_B = ["Bb5 A5 G5 - D5 - G5 A5", "F5 - E5 D5 - - A4 -", "D5 F5 Bb5 A5 G5 - F5 D5", "E5 - C#5 - A4 - E5 ."]
LEAD_B2 = ["D6 C6 Bb5 A5 G5 - D5 G5", "A5 - F5 - D5 E5 F5 -", "G5 F5 D5 Bb4 D5 F5 Bb5 -", "A5 - G5 - E5 - C#5/D5 E5"]
FIDDLE_HARM = ["D5 - - - Bb4 - - -", "A4 - - - F4 - - -", "F4 - - - D5 - - -", "E5 - - - C#5 - - ."]
CLAR_C1 = ["D5 - - - F5 - - -", "E5 - - - G5 - - -", "F5 - E5 - D5 - A4 -", "Bb4 - - - D5 - - -"]
CLAR_C2 = ["F5 - - - D5 - - -", "G5 - - - E5 - - -", "C#5 - - - E5 - - -", "A5 - - - - - . ."]
GLOCK_ANSWER = ["- - - - - - - -", "- - - - - A5 G5 F5", "- - - - - - - -", "- - - - - E5 F5 G5"]

PROG_A = ['Dm', 'Bb', 'F', 'C']
PROG_B = ['Gm', 'Dm', 'Bb', 'A']
PROG_C1 = ['Bb', 'C', 'Dm', 'Gm']
PROG_C2 = ['Bb', 'C', 'A', 'A']
PROG_END = ['Dm', 'Bb', 'Gm', 'A']


def drums(p, style, fill=False, crash=False):
    for bar in range(4):
        r0 = bar * 16
        if style == 'intro':
            p.put(r0, C_KICK, N('C4'), KICK, 40)
            for r in range(0, 16, 2):
                p.put(r0 + r, C_HAT, N('C4'), SHAKER, 26 if r % 4 else 34)
            p.put(r0 + 6, C_SNARE, N('C4'), WOOD, 20)
            p.put(r0 + 14, C_SNARE, N('C4'), WOOD, 16)
        elif style == 'groove':
            for r, v in ((0, 60), (6, 40), (8, 56), (11, 36)):
                p.put(r0 + r, C_KICK, N('C4'), KICK, v)
            for r in (4, 12):
                p.put(r0 + r, C_SNARE, N('C4'), SNARE, 54)
            for r in range(0, 16, 2):
                p.put(r0 + r, C_HAT, N('C4'), CHAT, 40 if r % 4 == 0 else 30)
            if bar == 3:
                p.put(r0 + 14, C_HAT, N('C4'), OHAT, 28)
        elif style == 'bridge':
            p.put(r0, C_KICK, N('C4'), KICK, 48)
            p.put(r0 + 8, C_KICK, N('C4'), KICK, 36)
            p.put(r0 + 12, C_SNARE, N('C4'), WOOD, 22)
            for r in range(16):
                p.put(r0 + r, C_HAT, N('C4'), SHAKER, 22 if r % 4 == 0 else (12 if r % 2 else 16))
            if bar == 3:
                p.put(r0 + 10, C_PERC, N('A3'), TOM, 36)
                p.put(r0 + 14, C_PERC, N('F3'), TOM, 40)
        elif style == 'build':
            for r in (0, 4, 8, 12):
                p.put(r0 + r, C_KICK, N('C4'), KICK, 50 + bar * 3)
            for r in range(16):
                p.put(r0 + r, C_HAT, N('C4'), SHAKER, 16 + bar * 3 if r % 2 == 0 else 10 + bar * 2)
            if bar < 3:
                p.put(r0 + 12, C_SNARE, N('C4'), SNARE, 30 + bar * 4)
            else:
                for r in range(16):
                    p.put(r0 + r, C_SNARE, N('C4'), SNARE, 18 + r * 2)
                for r, nn in ((8, 'C4'), (12, 'A3'), (14, 'F3')):
                    p.put(r0 + r, C_PERC, N(nn), TOM, 44)
    if fill:
        for r, nn in ((56, 'C4'), (58, 'A3'), (60, 'F3')):
            p.put(r, C_PERC, N(nn), TOM, 42)
        for r, v in ((61, 30), (62, 36), (63, 44)):
            p.put(r, C_SNARE, N('C4'), SNARE, v)
    if crash:
        p.put(0, C_PERC, N('C4'), CRASH, 34)


def bass_line(p, prog, style):
    for bar, chord in enumerate(prog):
        r0 = bar * 16
        root = root_in(chord, N('A1'))
        fifth = root + 7
        if style == 'groove':
            for r, n, v in ((0, root, 58), (3, root, 40), (6, root, 48), (8, root, 56),
                            (10, root + 12, 40), (12, fifth, 48), (14, root + 12, 42)):
                p.put(r0 + r, C_BASS, n, BASS, v)
        elif style == 'long':
            p.put(r0, C_BASS, root, BASS, 54)
            p.put(r0 + 8, C_BASS, fifth, BASS, 44)
        elif style == 'intro':
            if bar >= 2:
                p.put(r0, C_BASS, root, BASS, 44)


def guitar_arps(p, prog, vol, slow=False):
    shape = [0, 7, 12, None, 19, None, 12, 7]   # None: the third an octave up
    for bar, chord in enumerate(prog):
        root = root_in(chord, N('A2'))
        third = CHORDS[chord][1]
        step = 4 if slow else 2
        for i, r in enumerate(range(0, 16, step)):
            off = shape[(i * step // 2) % 8]
            n = root + (12 + third if off is None else off)
            ch = C_GTR_A if i % 2 == 0 else C_GTR_B
            p.put(bar * 16 + r, ch, n, GUITAR, vol + (6 if r == 0 else 0))


def banjo_roll(p, prog, vol, bars):
    shape = [12, 7, None, 12, 19, 7, 12, None]
    for bar, chord in enumerate(prog):
        if bar not in bars:
            continue
        root = root_in(chord, N('A3'))
        third = CHORDS[chord][1]
        for r in range(16):
            off = shape[r % 8]
            n = root + (12 + third if off is None else off) - 12
            p.put(bar * 16 + r, C_KEYS, n, BANJO, vol + (6 if r % 4 == 0 else 0))


def pads(p, prog, inst, vol, held):
    """Chord voicings, retriggered only where a voice changes (`held` keeps
    the last note per voice across patterns of one section)."""
    for bar, chord in enumerate(prog):
        for v, name in enumerate(CHORDS[chord][2]):
            n = N(name)
            ch = (C_PAD1, C_PAD2, C_PAD3)[v]
            if held.get((ch, inst)) != n or bar == 0:
                p.put(bar * 16, ch, n, inst, vol)
                held[(ch, inst)] = n


def pads_off(p, row):
    for ch in (C_PAD1, C_PAD2, C_PAD3):
        p.off(row, ch)


def epiano_stabs(p, prog, vol):
    for bar, chord in enumerate(prog):
        voicing = [N(x) for x in CHORDS[chord][2]]
        for r in (4, 10, 12):
            p.put(bar * 16 + r, C_KEYS, voicing[1] + 12, EPIANO, vol)
            p.put(bar * 16 + r, C_CHOIR, voicing[2] + 12, EPIANO, vol - 4)


def held_voice(p, ch, inst, prog, vol, octave=5):
    """A long note per bar on the chord's fifth (organ, choir)."""
    for bar, chord in enumerate(prog):
        root = root_in(chord, N('A3'))
        p.put(bar * 16, ch, root + 7 if octave == 5 else root, inst, vol)


def glock_sparkle(p, prog, vol):
    for bar, chord in enumerate(prog):
        root = root_in(chord, N('A4'))
        third = CHORDS[chord][1]
        p.put(bar * 16, C_GLOCK, root + 7, GLOCK, vol)
        p.put(bar * 16 + 10, C_GLOCK, root + third + 12 if root + third < N('C5') else root + third, GLOCK, vol - 8)


def patterns():
    held = {}
    pats = []

    # 0: intro, the forest waking: pads, picked guitar, wind, glockenspiel
    p = Pattern(ROWS)
    drums(p, 'intro')
    guitar_arps(p, PROG_A, 30)
    pads(p, PROG_A, STRINGS, 30, held)
    glock_sparkle(p, PROG_A, 22)
    bass_line(p, PROG_A, 'intro')
    p.put(0, C_WIND, N('C4'), WIND, 30)
    p.off(48, C_WIND)
    pats.append(p)

    # 1: the drive starts: full groove, banjo in the second half
    p = Pattern(ROWS)
    drums(p, 'groove', crash=True)
    bass_line(p, PROG_A, 'groove')
    guitar_arps(p, PROG_A, 32)
    pads(p, PROG_A, STRINGS, 24, held)
    banjo_roll(p, PROG_A, 30, bars=(2, 3))
    pats.append(p)

    # 2: the lead's tune over the groove
    p = Pattern(ROWS)
    drums(p, 'groove')
    bass_line(p, PROG_A, 'groove')
    guitar_arps(p, PROG_A, 30)
    pads(p, PROG_A, STRINGS, 20, held)
    melody(p, C_LEAD, LEAD, LEAD_A, 46)
    pats.append(p)

    # 3: second strain in G minor, electric piano on the off-beats, glockenspiel answers
    p = Pattern(ROWS)
    drums(p, 'groove', fill=True)
    bass_line(p, PROG_B, 'groove')
    guitar_arps(p, PROG_B, 30)
    pads(p, PROG_B, STRINGS, 20, held)
    epiano_stabs(p, PROG_B, 26)
    melody(p, C_GLOCK, GLOCK, GLOCK_ANSWER, 28)
    melody(p, C_LEAD, LEAD, LEAD_B, 46)
    pats.append(p)

    # 4: the tune again, higher, with banjo rolls
    p = Pattern(ROWS)
    drums(p, 'groove', crash=True)
    bass_line(p, PROG_A, 'groove')
    guitar_arps(p, PROG_A, 28)
    pads(p, PROG_A, STRINGS, 20, held)
    banjo_roll(p, PROG_A, 30, bars=(0, 1, 2, 3))
    melody(p, C_LEAD, LEAD, LEAD_A2, 46)
    p.off(63, C_LEAD)
    pats.append(p)

    # 5: the fiddle takes the second strain
    p = Pattern(ROWS)
    drums(p, 'groove', fill=True)
    bass_line(p, PROG_B, 'groove')
    guitar_arps(p, PROG_B, 28)
    pads(p, PROG_B, STRINGS, 24, held)
    epiano_stabs(p, PROG_B, 22)
    melody(p, C_COUNTER, FIDDLE, LEAD_B, 44, shift=-1)
    pats.append(p)

    # 6: bridge, a clearing: harmonium, choir, clarinet, toms
    p = Pattern(ROWS)
    drums(p, 'bridge', crash=True)
    bass_line(p, PROG_C1, 'long')
    guitar_arps(p, PROG_C1, 28, slow=True)
    pads_off(p, 0)
    held.clear()
    held_voice(p, C_PAD1, HARMONIUM, PROG_C1, 28, octave=4)
    held_voice(p, C_CHOIR, CHOIR, PROG_C1, 30)
    melody(p, C_COUNTER, CLARINET, CLAR_C1, 38)
    p.put(0, C_WIND, N('C4'), WIND, 24)
    pats.append(p)

    # 7: bridge builds back to the road
    p = Pattern(ROWS)
    drums(p, 'build')
    bass_line(p, PROG_C2, 'long')
    guitar_arps(p, PROG_C2, 30)
    held_voice(p, C_PAD1, HARMONIUM, PROG_C2, 28, octave=4)
    held_voice(p, C_CHOIR, CHOIR, PROG_C2, 32)
    melody(p, C_COUNTER, CLARINET, CLAR_C2, 40)
    p.off(32, C_WIND)
    p.off(60, C_PAD1)
    p.off(60, C_CHOIR)
    pats.append(p)

    # 8: second strain, new tune, fiddle harmony beneath
    p = Pattern(ROWS)
    drums(p, 'groove', crash=True, fill=True)
    bass_line(p, PROG_B, 'groove')
    guitar_arps(p, PROG_B, 28)
    pads(p, PROG_B, STRINGS, 20, held)
    epiano_stabs(p, PROG_B, 22)
    melody(p, C_COUNTER, FIDDLE, FIDDLE_HARM, 34)
    melody(p, C_LEAD, LEAD, LEAD_B2, 46)
    p.off(63, C_LEAD)
    pats.append(p)

    # 9: turnaround, ending on A to lead back into the intro
    p = Pattern(ROWS)
    drums(p, 'groove', crash=True, fill=True)
    bass_line(p, PROG_END, 'groove')
    guitar_arps(p, PROG_END, 30)
    pads(p, PROG_END, STRINGS, 26, held)
    banjo_roll(p, PROG_END, 30, bars=(0, 1, 2, 3))
    glock_sparkle(p, PROG_END, 24)
    pads_off(p, 62)
    pats.append(p)
    return pats


ORDERS = [0, 1, 2, 3, 4, 5, 6, 7, 2, 8, 1, 9]


MIX = 1.0    # the parts above are balanced against each other; this sets the whole


def module_bytes():
    pats = patterns()
    for p in pats:
        for key, (note, ins, vol, fx, prm) in p.cells.items():
            if vol:
                vol = 0x10 + min(64, int(round((vol - 0x10) * MIX)))
            p.cells[key] = (note, ins, vol, fx, prm)
    return xm.module('mossbeat65', CHANNELS, SPEED, BPM, ORDERS, 0, pats, instruments())
