"""The game's sound effects, one function per effect.

Each returns a float signal at dsp.SR. Levels are set afterwards by finish():
every effect gets the loudness it should have when the game plays it, taking the
volume the game plays it at into account (a grab plays at 30, a crash at 100).
"""
import math

import numpy as np

from dsp import (SR, Rand, bandpass, burst, decay, envelope, fftconv, formants, harmonic_tone,
                 highpass, lowpass, modes, peak, phase_of, place, samples, smooth_noise,
                 spectral, svf, times)

# ---- driving ----

MOTOR_FIRE_HZ = 70.0     # firing rate of the loop at pitch 1.0 (0.5 idles at 35 Hz)
LOOP_SECONDS = 1.0       # motor and rolling loops: one second, whole periods


def motor():
    """Looping engine: a four-cylinder firing pattern whose loop holds a whole
    number of firing periods, built circularly so that the end flows into the
    start. It is heard from pitch 0.25 (a slow idle) to several times faster."""
    rng = Rand(101)
    L = samples(LOOP_SECONDS)
    period = int(round(SR / MOTOR_FIRE_HZ))
    assert period * MOTOR_FIRE_HZ == SR * LOOP_SECONDS
    pulses = np.zeros(L)
    cylinders = [1.0, 0.82, 0.94, 0.76]
    for i in range(L // period):
        pulses[i * period] = cylinders[i % 4] * (1.0 + 0.12 * rng.white(1)[0])
    n = samples(0.05)
    pulse = modes(n, [(95, 0.010, 1.0), (260, 0.007, 0.55), (520, 0.005, 0.5),
                      (1150, 0.0025, 0.28), (2400, 0.0012, 0.12)])
    spectrum = np.fft.rfft(pulses) * np.fft.rfft(np.concatenate([pulse, np.zeros(L - n)]))
    tone = np.fft.irfft(spectrum, L)
    # combustion roar: noise shaped by the firing phase (periodic with the loop)
    fire_phase = (np.arange(L) % period) / period
    roar = spectral(rng.white(L), bandpass(150, 2500), circular=True)
    roar *= np.exp(-fire_phase * 6.0) * 0.9 + 0.1
    # crank rumble: half and whole firing frequency (exact periods in the loop)
    t = times(L)
    rumble = 0.35 * np.sin(2 * np.pi * MOTOR_FIRE_HZ * 0.5 * t) + 0.25 * np.sin(2 * np.pi * MOTOR_FIRE_HZ * t + 1.0)
    x = tone / np.max(np.abs(tone)) + 0.18 * roar / np.max(np.abs(roar)) + 0.3 * rumble
    # no content the resampler would fold back down at the high pitches
    x = spectral(x, lambda f: lowpass(3800, 3)(f) * highpass(25, 2)(f), circular=True)
    # start the loop between two firings, where the wave is calm
    return np.roll(x, -(period // 2))


def rolling():
    """Looping tyres on a forest track: low rumble, road grain, tread rhythm
    and gravel pops, all periodic over the loop."""
    rng = Rand(202)
    L = samples(LOOP_SECONDS)
    t = times(L)
    rumble = spectral(rng.white(L), bandpass(30, 220, 2), circular=True)
    grain = spectral(rng.white(L), bandpass(250, 1800, 2), circular=True)
    # tread and wheel rotation: whole cycles per loop
    tread = 1.0 + 0.25 * np.sin(2 * np.pi * 24 * t) + 0.12 * np.sin(2 * np.pi * 3 * t + 0.7)
    sway = 1.0 + 0.3 * np.sin(2 * np.pi * 2 * t) * np.sin(2 * np.pi * 5 * t + 0.3)
    x = rumble / np.std(rumble) * sway + 0.45 * grain / np.std(grain) * tread
    pops = np.zeros(L)
    for _ in range(38):
        at = rng.int(L)
        f = rng.log_range(900, 3200)
        p = modes(samples(0.012), [(f, 0.0018, 1.0), (f * 1.7, 0.001, 0.5)])
        amp = rng.range(0.3, 1.0) * 2.2
        idx = (at + np.arange(len(p))) % L
        pops[idx] += amp * p
    x += pops
    return spectral(x, lambda f: lowpass(3000, 2)(f) * highpass(25, 2)(f), circular=True)


def engine_run(rng, rate, total):
    """Engine firing at a rate that changes over time (Hz per sample)."""
    n = len(rate)
    ph = phase_of(rate)
    fires = np.nonzero(np.diff(np.floor(ph)) > 0)[0] + 1
    pulses = np.zeros(n)
    cylinders = [1.0, 0.8, 0.95, 0.75]
    for i, at in enumerate(fires):
        pulses[at] = cylinders[i % 4] * (1.0 + 0.15 * rng.white(1)[0])
    pulse = modes(samples(0.05), [(95, 0.010, 1.0), (260, 0.007, 0.55), (520, 0.005, 0.5),
                                   (1150, 0.0025, 0.28), (2400, 0.0012, 0.12)])
    out = fftconv(pulses, pulse)[:n]
    return out[:total]


def start():
    """Starter motor cranking, the engine catching with a rev, settling to idle."""
    rng = Rand(303)
    n = samples(2.4)
    t = times(n)
    crank_end = 0.95
    # starter: a whining electric motor loaded by compression strokes
    humps = 0.5 + 0.5 * np.cos(2 * np.pi * 7.0 * t) ** 2
    whine_f = 170 + 25 * np.sin(2 * np.pi * 7.0 * t) + 60 * np.clip(t / 0.3, 0, 1)
    whine = harmonic_tone(whine_f, [1.0, 0.6, 0.45, 0.3, 0.2, 0.15, 0.1, 0.08], limit=4000)
    churn = spectral(rng.white(n), bandpass(300, 3000))
    starter = (0.6 * whine + 0.5 * churn / np.std(churn) * 0.25) * humps
    starter *= envelope(n, [(0, 0), (0.03, 1), (crank_end - 0.05, 1), (crank_end + 0.05, 0), (3, 0)])
    clunk = modes(n, [(140, 0.03, 1.0), (420, 0.015, 0.6), (1900, 0.004, 0.4)], start=0.0)
    # the engine catches: firing rate flares and settles to a fast idle
    rate = np.interp(t, [0, crank_end, crank_end + 0.25, crank_end + 0.6, 2.4],
                     [0, 18, 95, 48, 36])
    eng = engine_run(rng, rate, n)
    eng = eng / np.max(np.abs(eng))
    eng *= envelope(n, [(0, 0), (crank_end - 0.02, 0), (crank_end + 0.05, 1), (1.6, 0.8), (2.4, 0)])
    roar = spectral(rng.white(n), bandpass(150, 2200)) * 0.1
    roar *= envelope(n, [(0, 0), (crank_end, 0), (crank_end + 0.2, 1), (crank_end + 0.6, 0.3), (2.4, 0)])
    x = 0.8 * starter + 0.5 * clunk + eng + roar
    return spectral(x, lowpass(5000, 2))


def shift():
    """Gear lever: a metallic click, then the clunk of the gate."""
    rng = Rand(404)
    n = samples(0.35)
    x = np.zeros(n)
    place(x, burst(rng, 4, highpass(2000)), 0.0, 0.8)
    x += modes(n, [(2150, 0.008, 0.7), (3380, 0.005, 0.5)], start=0.0)
    x += modes(n, [(140, 0.045, 1.0), (305, 0.028, 0.7), (720, 0.016, 0.45), (1480, 0.008, 0.3)], start=0.055)
    place(x, burst(rng, 6, bandpass(300, 3000)), 0.055, 0.6)
    x += modes(n, [(1900, 0.006, 0.25), (2900, 0.004, 0.2)], start=0.095)
    return x


def brake():
    """Squealing brake pad: a high tone wavering with stick and slip."""
    rng = Rand(505)
    n = samples(1.1)
    t = times(n)
    f = 3050 + 35 * np.sin(2 * np.pi * 7 * t) + 60 * smooth_noise(rng, n, 5) - 120 * t
    amp = 0.75 + 0.25 * smooth_noise(rng, n, 18)
    squeal = harmonic_tone(f, [1.0, 0.25, 0.06], limit=10500) * amp
    # a second, beating pad mode
    squeal += 0.35 * harmonic_tone(f * 1.012 + 4, [1.0]) * (0.6 + 0.4 * smooth_noise(rng, n, 9))
    scrape = spectral(rng.white(n), bandpass(1200, 6000)) * 0.3
    x = squeal + scrape
    return x * envelope(n, [(0, 0), (0.06, 1.0), (0.75, 0.85), (1.1, 0)])


def screech():
    """Sliding tyre: a chaotic tone around a kilohertz over broadband hiss."""
    rng = Rand(606)
    n = samples(1.15)
    t = times(n)
    f = 980 - 140 * t / 1.15 + 70 * smooth_noise(rng, n, 6) + 25 * smooth_noise(rng, n, 45)
    stick = 0.6 + 0.4 * np.abs(smooth_noise(rng, n, 60))
    tone = harmonic_tone(f, [1.0, 0.55, 0.35, 0.2, 0.12, 0.07], limit=9000) * stick
    tone2 = harmonic_tone(f * 1.37, [0.5, 0.2, 0.1], limit=9000) * (0.5 + 0.5 * smooth_noise(rng, n, 12))
    hiss = spectral(rng.white(n), bandpass(900, 6000)) * 0.6
    x = tone + tone2 + hiss
    return x * envelope(n, [(0, 0), (0.04, 1.0), (0.8, 0.8), (1.15, 0)])


def crash():
    """Car crash: a heavy thump, crumpling metal, glass and falling debris."""
    rng = Rand(707)
    n = samples(1.6)
    x = np.zeros(n)
    x += modes(n, [(52, 0.13, 1.3), (104, 0.08, 0.8), (170, 0.05, 0.5)])
    crunch = spectral(rng.white(n), bandpass(150, 7000)) * decay(n, 0.11, attack=0.001)
    x += 1.4 * crunch / np.max(np.abs(crunch))
    metal = []
    for _ in range(26):
        f = rng.log_range(240, 5200)
        tau = rng.range(0.08, 0.55) * (600 / f) ** 0.4
        metal.append((f, tau, rng.range(0.1, 0.35), rng.range(0, 6.28)))
    for i in range(0, len(metal), 4):
        x += modes(n, metal[i:i + 4], start=rng.range(0.0, 0.06))
    for _ in range(70):   # crumpling crackle
        at = 0.02 + 0.4 * rng.rand() ** 2
        place(x, burst(rng, rng.range(1, 4), bandpass(800, 6000)), at, rng.range(0.1, 0.5))
    for _ in range(28):   # glass
        at = 0.1 + 0.8 * rng.rand() ** 1.5
        f = rng.log_range(3500, 9500)
        place(x, modes(samples(0.08), [(f, rng.range(0.015, 0.05), 1.0), (f * 1.49, 0.012, 0.4)]), at,
              rng.range(0.05, 0.22) * (1.0 - 0.5 * at))
    for _ in range(7):    # debris settling
        at = rng.range(0.3, 1.1)
        f = rng.log_range(500, 1800)
        place(x, modes(samples(0.1), [(f, 0.02, 1.0), (f * 2.3, 0.01, 0.5)]), at, rng.range(0.1, 0.25))
    return x * envelope(n, [(0, 1), (1.3, 0.8), (1.6, 0)])


# ---- the bear ----

def chomp(seed, clusters):
    """A crunchy bite: the jaw closing, teeth cracking through, a wet squish."""
    rng = Rand(seed)
    n = samples(0.34)
    x = np.zeros(n)
    for start_s, length, strength in clusters:
        x += strength * modes(n, [(110, 0.03, 0.8), (240, 0.02, 0.5)], start=start_s)
        count = int(45 * length / 0.15)
        for _ in range(count):
            at = start_s + length * rng.rand() ** 1.6
            place(x, burst(rng, rng.range(0.6, 2.5)), at, strength * rng.range(0.15, 0.7))
    crunch = spectral(x, lambda f: bandpass(500, 6500)(f) + 0.8 * lowpass(300)(f))
    squish = spectral(rng.white(n), bandpass(300, 1300)) * envelope(n, [(0, 0), (0.06, 0.25), (0.22, 0.1), (0.34, 0)])
    return crunch + squish * np.std(crunch) * 2


def chomp1():
    return chomp(811, [(0.0, 0.14, 1.0)])


def chomp2():
    return chomp(822, [(0.0, 0.08, 0.8), (0.12, 0.12, 1.0)])


def chomp3():
    return chomp(833, [(0.0, 0.1, 1.0), (0.16, 0.06, 0.5)])


def voice(rng, n, f0, rough, rattle_hz, rattle_depth, formant_specs, breath, limit=4500):
    """A rough animal voice: pulsed source with jitter and period doubling,
    throat rattle, through static formants, with breath noise."""
    f = f0 * (1.0 + 0.04 * smooth_noise(rng, n, 25))
    ph = phase_of(f)
    amps = [1.0 / k ** 0.9 for k in range(1, 80)]
    src = harmonic_tone(f, amps, limit=limit)
    # period doubling: every other pulse weaker (rough, sub-harmonic growl)
    src *= 1.0 - rough * (0.5 + 0.5 * np.cos(np.pi * ph))
    t = times(n)
    src *= 1.0 - rattle_depth * (0.5 + 0.5 * np.sin(2 * np.pi * rattle_hz * t + 2 * smooth_noise(rng, n, 8)))
    noise = rng.white(n) * breath
    shape = formants(formant_specs, floor=0.02)
    return spectral(src / np.max(np.abs(src)) + noise, shape)


def growl1():
    """A bear's growl: low, rough, rattling, with a rise and a long fall."""
    rng = Rand(909)
    n = samples(1.35)
    t = times(n)
    f0 = np.interp(t, [0, 0.3, 0.9, 1.35], [72, 96, 82, 60])
    x = voice(rng, n, f0, rough=0.45, rattle_hz=27, rattle_depth=0.55,
              formant_specs=[(330, 3.5, 1.0), (720, 4.0, 0.7), (1650, 5.0, 0.3), (2600, 6.0, 0.12)],
              breath=0.35)
    x = spectral(x, lowpass(2200, 2))   # a big chest: little hiss above the formants
    return x * envelope(n, [(0, 0), (0.16, 1.0), (0.9, 0.85), (1.35, 0)])


def badger():
    """A badger's snarl: a hiss, a high chattering snarl and a grunt."""
    rng = Rand(1010)
    n = samples(0.85)
    t = times(n)
    x = np.zeros(n)
    huff = spectral(rng.white(n), bandpass(600, 4000)) * envelope(n, [(0, 0), (0.01, 1), (0.09, 0), (1, 0)])
    x += 0.6 * huff / np.max(np.abs(huff))
    f0 = np.interp(t, [0, 0.08, 0.3, 0.6, 0.85], [170, 190, 260, 210, 190])
    snarl = voice(rng, n, f0, rough=0.3, rattle_hz=38, rattle_depth=0.75,
                  formant_specs=[(750, 4, 1.0), (1450, 5, 0.7), (2900, 5, 0.4)], breath=0.8, limit=6000)
    snarl *= envelope(n, [(0, 0), (0.07, 0), (0.12, 1), (0.55, 0.9), (0.64, 0), (1, 0)])
    x += snarl / np.max(np.abs(snarl))
    grunt = voice(rng, n, np.full(n, 125.0), rough=0.5, rattle_hz=20, rattle_depth=0.4,
                  formant_specs=[(500, 4, 1.0), (1100, 5, 0.5)], breath=0.3)
    grunt *= envelope(n, [(0, 0), (0.64, 0), (0.67, 1), (0.8, 0.2), (0.85, 0)])
    x += 0.8 * grunt / np.max(np.abs(grunt))
    return x


def scratch():
    """Claws scratching upholstery, four strokes. The game plays it at twice
    its rate, so the content is pitched down here by half."""
    rng = Rand(1111)
    n = samples(1.0)
    x = np.zeros(n)
    for i, start_s in enumerate([0.0, 0.25, 0.5, 0.76]):
        m = samples(rng.range(0.16, 0.21))
        k = np.arange(m)
        # stick-slip of the claws: irregular little clicks
        ticks = np.zeros(m)
        pos = 0
        while pos < m:
            ticks[pos] = rng.range(0.4, 1.0)
            pos += int(SR / rng.range(35, 70))
        tick_env = fftconv(ticks, np.exp(-np.arange(samples(0.004)) / samples(0.0012)))[:m]
        stroke = spectral(rng.white(m), bandpass(500, 3400)) * (0.35 + tick_env)
        stroke *= np.clip(k / samples(0.015), 0, 1) * np.clip((m - k) / samples(0.04), 0, 1)
        place(x, stroke, start_s, rng.range(0.7, 1.0))
    return x


def buzz(seed, amp_points, doppler):
    rng = Rand(seed)
    n = samples(amp_points[-1][0])
    t = times(n)
    f = 220 * np.interp(t, *zip(*doppler)) * (1.0 + 0.04 * smooth_noise(rng, n, 3) + 0.012 * smooth_noise(rng, n, 30))
    amps = [1.0 / k ** 0.75 for k in range(1, 40)]
    wings = harmonic_tone(f, amps, limit=6500)
    whirr = spectral(rng.white(n), bandpass(400, 3500)) * (0.5 + 0.5 * np.sin(2 * np.pi * phase_of(f)))
    x = spectral(wings, formants([(600, 2, 1.0), (1800, 2, 0.6)], floor=0.2)) + 0.2 * whirr
    return x * envelope(n, amp_points) * (0.85 + 0.15 * smooth_noise(rng, n, 14))


def buzz1():
    """A bee flying past: rising, passing, pitch dropping as it goes."""
    return buzz(1201, [(0, 0), (0.45, 1.0), (0.6, 0.8), (0.9, 0)], [(0, 1.06), (0.4, 1.04), (0.55, 0.95), (0.9, 0.94)])


def buzz2():
    """A bee hovering close, two swoops."""
    return buzz(1202, [(0, 0), (0.15, 0.8), (0.35, 0.5), (0.6, 1.0), (0.85, 0.6), (1.05, 0)],
                [(0, 1.0), (0.3, 1.08), (0.5, 0.97), (0.7, 1.05), (1.05, 0.98)])


def sting():
    """A bee diving in, the sharp prick of the sting, a zing."""
    rng = Rand(1303)
    n = samples(0.4)
    t = times(n)
    f = np.interp(t, [0, 0.12, 0.13, 0.4], [260, 1050, 1100, 1100])
    dive = harmonic_tone(f, [1.0, 0.5, 0.35, 0.2, 0.1], limit=8000)
    dive *= envelope(n, [(0, 0.1), (0.11, 1.0), (0.125, 0), (1, 0)])
    x = 0.5 * dive
    place(x, burst(rng, 5, highpass(3000)), 0.12, 1.2)
    x += modes(n, [(4200, 0.012, 0.6), (1850, 0.09, 0.35), (2770, 0.05, 0.18)], start=0.12)
    return x


# ---- paw ----

def grab():
    """A soft furry pat of the paw closing on something."""
    rng = Rand(1404)
    n = samples(0.2)
    pat = spectral(rng.white(n), bandpass(150, 1500)) * decay(n, 0.035, attack=0.003)
    thump = modes(n, [(130, 0.025, 1.0), (260, 0.015, 0.4)])
    return pat / np.max(np.abs(pat)) + 0.7 * thump


def wiff():
    """An empty swipe through the air: a swish sweeping up and down."""
    rng = Rand(1505)
    n = samples(0.32)
    t = times(n)
    fc = np.interp(t, [0, 0.13, 0.32], [500, 2800, 900])
    x = svf(rng.white(n), fc, q=1.6, mode='bp')
    return x * np.sin(np.pi * np.clip(t / 0.3, 0, 1)) ** 1.5


# ---- cab objects ----

def fishflop2():
    """A wet fish slapping the floor twice, with a squelch."""
    rng = Rand(1606)
    n = samples(0.38)
    x = np.zeros(n)
    for at, g in [(0.0, 1.0), (0.14, 0.55)]:
        slap = spectral(rng.white(samples(0.06)), bandpass(700, 5000)) * np.exp(-np.arange(samples(0.06)) / samples(0.012))
        place(x, slap, at, 1.3 * g)
        x += g * modes(n, [(175, 0.03, 0.8), (1750, 0.004, 0.5)], start=at)
    for _ in range(4):
        at = rng.range(0.03, 0.26)
        m = samples(rng.range(0.025, 0.05))
        tt = np.arange(m) / SR
        f = rng.log_range(300, 700) * np.exp(tt / 0.04)
        bub = np.sin(2 * np.pi * np.cumsum(f) / SR) * np.exp(-tt / (m / SR / 3))
        place(x, bub, at, rng.range(0.15, 0.35))
    return x


def rock(seed, hits, base):
    rng = Rand(seed)
    n = samples(0.45)
    x = np.zeros(n)
    for at, g in hits:
        place(x, burst(rng, 6, bandpass(800, 9000)), at, 1.4 * g)
        r = rng.range(0.95, 1.05)
        x += g * modes(n, [(base * r, 0.03, 0.8), (base * 1.87 * r, 0.018, 0.6),
                           (base * 2.96 * r, 0.011, 0.45), (base * 0.5, 0.04, 0.5)], start=at)
        x += g * modes(n, [(92, 0.05, 0.6), (185, 0.06, 0.35)], start=at)   # the car floor
    return x


def inrock1():
    """A rock landing on the cab floor: a hard clack and a boom of the floor."""
    return rock(1707, [(0.0, 1.0)], 1250)


def inrock2():
    """A rock bouncing: clack, clack, a short scrape."""
    x = rock(1708, [(0.0, 1.0), (0.11, 0.55), (0.19, 0.25)], 980)
    rng = Rand(1709)
    n = len(x)
    scrape = spectral(rng.white(n), bandpass(800, 4000)) * envelope(n, [(0, 0), (0.2, 0), (0.22, 0.25), (0.34, 0), (1, 0)])
    return x + scrape


# ---- impacts in the forest ----

def carhit1():
    """The car body bumping into something: a hollow metallic thud."""
    rng = Rand(1808)
    n = samples(0.5)
    x = modes(n, [(86, 0.09, 1.0), (172, 0.06, 0.5), (415, 0.04, 0.35), (735, 0.025, 0.25), (1160, 0.018, 0.15)])
    crunch = spectral(rng.white(n), bandpass(300, 3000)) * decay(n, 0.012, attack=0.001)
    x += 0.5 * crunch / np.max(np.abs(crunch))
    for _ in range(5):
        place(x, modes(samples(0.03), [(rng.log_range(1500, 3500), 0.005, 1.0)]), rng.range(0.04, 0.18), 0.12)
    return x


def hitwood1():
    """The car hitting a tree: a woody knock and the trunk's thump."""
    rng = Rand(1909)
    n = samples(0.6)
    base = 165
    x = modes(n, [(base, 0.12, 1.0), (base * 2.32, 0.06, 0.6), (base * 3.89, 0.035, 0.4),
                  (base * 5.41, 0.02, 0.25), (70, 0.08, 0.8)])
    place(x, burst(rng, 12, bandpass(500, 5000)), 0.0, 1.4)
    return x


def hitwood2():
    """A heavier hit on a tree: a deep thunk and branches cracking."""
    rng = Rand(1910)
    n = samples(0.8)
    base = 118
    x = modes(n, [(base, 0.14, 1.0), (base * 2.4, 0.07, 0.6), (base * 4.1, 0.04, 0.35),
                  (base * 6.0, 0.02, 0.2), (58, 0.1, 0.9)])
    place(x, burst(rng, 12, bandpass(300, 3500)), 0.0, 1.0)
    for _ in range(18):
        at = 0.06 + 0.3 * rng.rand() ** 1.3
        f = rng.log_range(1200, 4000)
        crack = burst(rng, rng.range(1, 3), highpass(1200)) * 0.6
        crack = np.concatenate([crack, np.zeros(samples(0.02))])
        crack += modes(len(crack), [(f, 0.004, 0.6)])
        place(x, crack, at, rng.range(0.2, 0.6))
    return x


def hitmetal1():
    """Hitting a boulder hard: the car's metal clangs over a heavy thud."""
    rng = Rand(2011)
    n = samples(1.4)
    base = 318
    ratios = [1.0, 1.59, 2.14, 2.30, 2.65, 2.92, 3.16, 3.50, 4.15, 5.10, 6.30, 7.40, 8.60, 9.90]
    partials = [(base * r, 0.55 / r ** 0.6, 0.9 / r ** 0.5, rng.range(0, 6.28)) for r in ratios]
    x = modes(n, partials)
    x += modes(n, [(60, 0.1, 1.2), (120, 0.06, 0.5)])
    place(x, burst(rng, 15, highpass(800)), 0.0, 1.5)
    return x


def rustle1():
    """Leaves of a bush rustling: a cloud of tiny crackles in two swells."""
    rng = Rand(2112)
    n = samples(0.95)
    x = np.zeros(n)
    density = lambda s: np.interp(s, [0, 0.05, 0.35, 0.45, 0.6, 0.95], [0.2, 1.0, 0.7, 0.4, 0.6, 0.0])
    count = 0
    while count < 520:
        at = rng.range(0, 0.93)
        if rng.rand() > density(at):
            continue
        count += 1
        place(x, burst(rng, rng.range(0.4, 2.5)), at, rng.range(0.05, 0.5) * density(at))
    x = spectral(x, highpass(1400))
    bed = spectral(rng.white(n), bandpass(1800, 8000)) * density(times(n)) * 0.12
    x += bed
    for at in (0.08, 0.31, 0.55):
        x += modes(n, [(rng.log_range(2000, 3200), 0.005, 0.35)], start=at)
    return x


def splash1():
    """A splash into a pond: a plop, spray and bubbles."""
    rng = Rand(2213)
    n = samples(1.2)
    t = times(n)
    f = np.interp(t, [0, 0.06], [270, 115])
    plop = np.sin(2 * np.pi * phase_of(f)) * decay(n, 0.07, attack=0.002)
    spray = spectral(rng.white(n), bandpass(400, 7000))
    spray *= 0.8 * decay(n, 0.18, attack=0.005) + 0.2 * decay(n, 0.5, attack=0.01)
    x = 1.0 * plop + 0.9 * spray / np.max(np.abs(spray))
    for _ in range(26):
        at = 0.02 + 0.7 * rng.rand() ** 1.8
        m = samples(rng.range(0.03, 0.07))
        tt = np.arange(m) / SR
        f0 = rng.log_range(350, 1500)
        bub = np.sin(2 * np.pi * np.cumsum(f0 * (1 + 0.5 * tt / (m / SR))) / SR) * np.exp(-tt / (m / SR / 3))
        place(x, bub, at, rng.range(0.08, 0.3) * (1.1 - at))
    for _ in range(14):
        at = rng.range(0.3, 1.05)
        place(x, modes(samples(0.04), [(rng.log_range(1500, 4000), 0.008, 1.0)]), at, rng.range(0.04, 0.12))
    return x


# name: (function, game volume, loudness target in dBFS while playing, loops)
# The target is the RMS of the loudest 100 ms as heard at the game's volume.
EFFECTS = {
    'start':     (start,     75, -15, False),
    'motor':     (motor,     50, -18, True),
    'rolling':   (rolling,   70, -20, True),
    'shift':     (shift,    100, -20, False),
    'chomp1':    (chomp1,    75, -16, False),
    'chomp2':    (chomp2,    75, -16, False),
    'chomp3':    (chomp3,    75, -16, False),
    'growl1':    (growl1,   100, -13, False),
    'brake':     (brake,    100, -21, False),
    'screech':   (screech,   80, -17, False),
    'crash':     (crash,    100, -11, False),
    'grab':      (grab,      30, -25, False),
    'wiff':      (wiff,      38, -25, False),
    'fishflop2': (fishflop2, 100, -17, False),
    'inrock1':   (inrock1,  100, -17, False),
    'inrock2':   (inrock2,  100, -17, False),
    'badger':    (badger,   100, -15, False),
    'scratch':   (scratch,   40, -24, False),
    'buzz1':     (buzz1,    100, -21, False),
    'buzz2':     (buzz2,    100, -21, False),
    'sting':     (sting,     50, -17, False),
    'carhit1':   (carhit1,   50, -19, False),
    'hitwood1':  (hitwood1, 100, -13, False),
    'hitwood2':  (hitwood2, 100, -13, False),
    'hitmetal1': (hitmetal1, 100, -13, False),
    'rustle1':   (rustle1,  100, -17, False),
    'splash1':   (splash1,  100, -14, False),
}
