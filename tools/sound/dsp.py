"""Small synthesis toolkit shared by the effects and the music instruments.

Everything works on float64 numpy arrays at SR samples per second. Randomness
comes only from Rand (Python's Mersenne Twister, seeded), never from numpy's
generators or the clock, so every run gives the same samples.
"""
import math
import random

import numpy as np

SR = 22050


class Rand:
    def __init__(self, seed):
        self.r = random.Random(seed)

    def uniform(self, n):
        """n values in [0, 1)."""
        n = int(n)
        if n <= 0:
            return np.zeros(0)
        raw = self.r.getrandbits(32 * n).to_bytes(4 * n, 'little')
        return np.frombuffer(raw, dtype='<u4').astype(np.float64) / 4294967296.0

    def white(self, n):
        return self.uniform(n) * 2.0 - 1.0

    def rand(self):
        return self.r.random()

    def range(self, a, b):
        return a + (b - a) * self.r.random()

    def log_range(self, a, b):
        return math.exp(self.range(math.log(a), math.log(b)))

    def int(self, n):
        return self.r.randrange(n)


def samples(seconds):
    return int(round(seconds * SR))


def times(n):
    return np.arange(n) / SR


# ---- spectral (zero-phase) filters: apply to noise before enveloping ----

def lowpass(fc, order=2):
    return lambda f: 1.0 / np.sqrt(1.0 + (f / fc) ** (2 * order))


def highpass(fc, order=2):
    return lambda f: 1.0 / np.sqrt(1.0 + (fc / np.maximum(f, 1e-3)) ** (2 * order))


def bandpass(lo, hi, order=2):
    lp, hp = lowpass(hi, order), highpass(lo, order)
    return lambda f: lp(f) * hp(f)


def peak(fc, q):
    """Magnitude of a two-pole resonance at fc (1.0 at the centre)."""
    def g(f):
        f = np.maximum(f, 1e-3)
        return 1.0 / np.sqrt(1.0 + (q * (f / fc - fc / f)) ** 2)
    return g


def formants(bands, floor=0.0):
    """Sum of resonances: bands is a list of (centre, q, gain)."""
    parts = [(peak(fc, q), g) for fc, q, g in bands]
    return lambda f: floor + sum(g * p(f) for p, g in parts)


def spectral(x, gain, circular=False):
    """Filters x by a magnitude response gain(freq_hz). circular keeps a loop
    periodic (the signal is treated as one period of an endless repeat)."""
    n = len(x)
    m = n if circular else 1 << int(math.ceil(math.log2(max(2 * n, 2))))
    spectrum = np.fft.rfft(x, m)
    f = np.fft.rfftfreq(m, 1.0 / SR)
    return np.fft.irfft(spectrum * gain(f), m)[:n]


def fftconv(a, b):
    n = len(a) + len(b) - 1
    m = 1 << int(math.ceil(math.log2(n)))
    return np.fft.irfft(np.fft.rfft(a, m) * np.fft.rfft(b, m), m)[:n]


def svf(x, fc, q=1.0, mode='bp'):
    """State-variable filter with a cutoff that may change every sample
    (run at twice the rate so that it stays stable up to about SR/3)."""
    n = len(x)
    fc = np.broadcast_to(np.asarray(fc, dtype=np.float64), (n,))
    fcoef = (2.0 * np.sin(np.pi * np.minimum(fc, SR / 3.0) / (2.0 * SR))).tolist()
    damp = 1.0 / q
    xs = x.tolist()
    out = [0.0] * n
    low = band = 0.0
    pick = {'lp': 0, 'bp': 1, 'hp': 2}[mode]
    for i in range(n):
        f = fcoef[i]
        v = xs[i]
        hi = v - low - damp * band
        band += f * hi
        low += f * band
        hi = v - low - damp * band
        band += f * hi
        low += f * band
        out[i] = (low, band, hi)[pick]
    return np.array(out)


def smooth_noise(rng, n, rate_hz):
    """Random wander in about [-1, 1] with changes at roughly rate_hz."""
    points = max(2, int(n / SR * rate_hz) + 3)
    vals = rng.white(points)
    xs = np.linspace(0, n, points)
    # cosine interpolation between the random points
    pos = np.arange(n)
    idx = np.minimum(np.searchsorted(xs, pos, side='right') - 1, points - 2)
    frac = (pos - xs[idx]) / (xs[idx + 1] - xs[idx])
    w = 0.5 - 0.5 * np.cos(np.pi * frac)
    return vals[idx] * (1 - w) + vals[idx + 1] * w


# ---- envelopes ----

def envelope(n, points):
    """Piecewise linear through (seconds, value) points."""
    xs, ys = zip(*points)
    return np.interp(times(n), xs, ys)


def decay(n, tau, start=0.0, attack=0.0005):
    t = times(n) - start
    e = np.exp(-np.maximum(t - attack, 0.0) / tau)
    if attack > 0:
        e *= np.clip(t / attack, 0.0, 1.0)
    e[t < 0] = 0.0
    return e


# ---- oscillators ----

def phase_of(freq):
    """Running phase in cycles of a frequency track (Hz per sample)."""
    return np.cumsum(freq) / SR


def harmonic_tone(freq, amps, limit=None):
    """Band-limited additive tone following a frequency track; amps[k] is the
    amplitude of harmonic k + 1 (harmonics above the limit fall silent)."""
    limit = limit or SR * 0.45
    ph = 2.0 * np.pi * phase_of(freq)
    out = np.zeros(len(freq))
    for k, a in enumerate(amps, start=1):
        if a == 0:
            continue
        mask = np.clip((limit - k * freq) / 200.0, 0.0, 1.0)
        if not mask.any():
            break
        out += a * mask * np.sin(k * ph)
    return out


def modes(n, bands, start=0.0):
    """Sum of decaying sinusoids: bands is a list of (freq, tau, amp[, phase])."""
    t = times(n) - start
    on = t >= 0
    out = np.zeros(n)
    for mode in bands:
        f, tau, a = mode[:3]
        ph = mode[3] if len(mode) > 3 else 0.0
        if f >= SR / 2:
            continue
        out += np.where(on, a * np.exp(-np.maximum(t, 0) / tau) * np.sin(2 * np.pi * f * t + ph), 0.0)
    return out


def place(dst, src, start, gain=1.0):
    i = samples(start)
    if i >= len(dst):
        return
    m = min(len(src), len(dst) - i)
    dst[i:i + m] += gain * src[:m]


def burst(rng, ms, gain_fn=None):
    """A short noise burst with a fast decay (clicks, crackles)."""
    n = max(4, samples(ms / 1000.0))
    b = rng.white(n) * np.exp(-np.arange(n) / (n / 4.0))
    if gain_fn is not None:
        b = spectral(b, gain_fn)
    return b


def loud_rms(x, window=0.1):
    """RMS of the loudest window of the signal."""
    w = max(1, min(len(x), samples(window)))
    c = np.concatenate(([0.0], np.cumsum(x * x)))
    return math.sqrt(max(np.max(c[w:] - c[:-w]) / w, 1e-20))


def db(v):
    return 20.0 * math.log10(max(v, 1e-12))
