#!/usr/bin/python3
"""Synthesises the game's sounds: every effect in data/sfx/ and the music module
music/mossbeat65.xm. No recorded samples; the same bytes on every run.

    python3 tools/sound/generate.py            write the files into the checkout
    python3 tools/sound/generate.py --check    build twice, compare with each other
                                               and with the files on disk
    python3 tools/sound/generate.py --out DIR  write under DIR instead
    python3 tools/sound/generate.py --levels   print the level of every effect
"""
import os
import sys

try:
    import numpy  # noqa: F401
except ImportError:
    # Debian's interpreter has python3-numpy; another python3 first on PATH may not.
    if os.path.realpath(sys.executable) != os.path.realpath('/usr/bin/python3') and os.path.exists('/usr/bin/python3'):
        os.execv('/usr/bin/python3', ['/usr/bin/python3'] + sys.argv)
    raise

import argparse
import io
import wave

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True   # keep the checkout clean

import dsp  # noqa: E402
import effects  # noqa: E402
import song  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(HERE))
PEAK_LIMIT = 0.97


def finish(x, game_volume, target_db, loop):
    """Scales an effect so that its loudest 100 ms, played at the game's volume,
    has the target RMS; peaks that would pass the limit are softly saturated."""
    if loop:
        x = dsp.spectral(x, dsp.highpass(20, 2), circular=True)
    else:
        x = dsp.spectral(x, dsp.highpass(20, 2))
        x[:dsp.samples(0.001)] *= np.linspace(0, 1, dsp.samples(0.001))
        fade = dsp.samples(0.012)
        x[-fade:] *= np.linspace(1, 0, fade)
    gain = 10 ** (target_db / 20.0) / (dsp.loud_rms(x) * game_volume / 100.0)
    x = x * gain
    if np.max(np.abs(x)) > PEAK_LIMIT:
        x = PEAK_LIMIT * np.tanh(x / PEAK_LIMIT)
    return x


def wav_bytes(x):
    pcm = np.clip(np.round(x * 32767.0), -32768, 32767).astype('<i2')
    buf = io.BytesIO()
    with wave.open(buf, 'wb') as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(dsp.SR)
        w.writeframes(pcm.tobytes())
    return buf.getvalue()


def build(only=None):
    """Every output file as {relative path: bytes}, plus level figures."""
    files = {}
    levels = {}
    for name, (fn, volume, target, loop) in effects.EFFECTS.items():
        if only and name not in only:
            continue
        x = finish(fn(), volume, target, loop)
        files[os.path.join('data', 'sfx', name + '.wav')] = wav_bytes(x)
        levels[name] = (volume, len(x) / dsp.SR, dsp.db(np.max(np.abs(x))), dsp.db(dsp.loud_rms(x)),
                        dsp.db(dsp.loud_rms(x) * volume / 100.0), loop)
    if not only or 'music' in only:
        files[os.path.join('music', 'mossbeat65.xm')] = song.module_bytes()
    return files, levels


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument('--check', action='store_true')
    ap.add_argument('--out', default=ROOT)
    ap.add_argument('--levels', action='store_true')
    ap.add_argument('only', nargs='*', help='build only these effects (and "music")')
    args = ap.parse_args()

    files, levels = build(args.only)
    if args.levels:
        print('%-10s %4s %6s %7s %9s %9s' % ('effect', 'vol', 'secs', 'peak', 'loud rms', 'as played'))
        for name, (vol, secs, pk, rms, played, loop) in levels.items():
            print('%-10s %4d %6.2f %7.1f %9.1f %9.1f%s' % (name, vol, secs, pk, rms, played, '  loop' if loop else ''))
    if args.check:
        again, _ = build(args.only)
        bad = [p for p in files if again[p] != files[p]]
        for p in bad:
            print('not deterministic: %s' % p)
        for p, data in files.items():
            path = os.path.join(args.out, p)
            if not os.path.exists(path):
                print('missing: %s' % p)
                bad.append(p)
            elif open(path, 'rb').read() != data:
                print('differs from the generator: %s' % p)
                bad.append(p)
        print('%d files, %d bytes: %s' % (len(files), sum(map(len, files.values())),
                                          'FAILED' if bad else 'identical on both runs and on disk'))
        return 1 if bad else 0
    for p, data in files.items():
        path = os.path.join(args.out, p)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as f:
            f.write(data)
    print('%d files, %d bytes written under %s' % (len(files), sum(map(len, files.values())), args.out))
    return 0


if __name__ == '__main__':
    sys.exit(main())
