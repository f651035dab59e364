"""Writes FastTracker 2 extended modules (XM 1.04), byte by byte.

Layout: the 60-byte preamble and the 276-byte header with the order table,
then every pattern (9-byte header, packed rows), then every instrument
(263-byte header, 40-byte sample headers, delta-coded sample data).
"""
import math
import struct

import numpy as np

NOTE_OFF = 97
C4 = 49  # the note at which a sample with no relative note plays at 8363 Hz


def note_number(name):
    """'C-4' style or 'C#4' / 'Bb3' names to XM note numbers (1 = C-0)."""
    pcs = {'C': 0, 'D': 2, 'E': 4, 'F': 5, 'G': 7, 'A': 9, 'B': 11}
    pc = pcs[name[0]]
    rest = name[1:]
    if rest[0] == '#':
        pc += 1
        rest = rest[1:]
    elif rest[0] == 'b':
        pc -= 1
        rest = rest[1:]
    elif rest[0] == '-':
        rest = rest[1:]
    return int(rest) * 12 + pc + 1


def tuning(sample_rate, freq=None):
    """Relative note and finetune: with freq, note A-4 plays the sample's tone
    at 440 Hz; without, note C-4 plays the sample at its own rate."""
    if freq is None:
        t = 12.0 * math.log2(sample_rate / 8363.0)
    else:
        t = 12.0 * math.log2(440.0 * sample_rate / (8363.0 * freq)) - 9.0
    rel = math.floor(t)
    fine = int(round((t - rel) * 128.0))
    if fine >= 128:
        rel += 1
        fine -= 128
    assert -96 <= rel <= 95
    return rel, fine


def quantise16(x):
    return np.clip(np.round(np.asarray(x) * 32767.0), -32768, 32767).astype(np.int64)


class Sample:
    def __init__(self, data, rate, freq=None, loop=None, volume=64, panning=128, name=''):
        """data: floats in [-1, 1]; loop: (start, length) in frames, forward."""
        self.pcm = quantise16(data)
        self.loop = loop
        self.volume = volume
        self.panning = panning
        self.name = name
        self.relnote, self.finetune = tuning(rate, freq)

    def header(self):
        frames = len(self.pcm)
        start, length = self.loop if self.loop else (0, 0)
        assert start + length <= frames
        kind = 0x10 | (1 if self.loop else 0)
        return (struct.pack('<III', frames * 2, start * 2, length * 2) +
                struct.pack('<BbBBbB', self.volume, self.finetune, kind, self.panning, self.relnote, 0) +
                _text(self.name, 22))

    def data(self):
        deltas = np.diff(self.pcm, prepend=0) & 0xFFFF
        return deltas.astype('<u2').tobytes()


class Instrument:
    def __init__(self, name, sample, envelope=None, sustain=None, fadeout=0, vibrato=(0, 0, 0, 0)):
        """envelope: up to 12 (tick, volume 0..64) points; sustain: index of the
        point held until note-off; fadeout: volume taken per tick after note-off
        (32768 / fadeout ticks to silence); vibrato: type, sweep, depth, rate."""
        self.name = name
        self.sample = sample
        self.envelope = envelope or []
        self.sustain = sustain
        self.fadeout = fadeout
        self.vibrato = vibrato
        assert len(self.envelope) <= 12

    def data(self):
        env = bytearray(48)
        for i, (x, y) in enumerate(self.envelope):
            struct.pack_into('<HH', env, 4 * i, x, y)
        env_type = 0
        if self.envelope:
            env_type |= 1
            if self.sustain is not None:
                env_type |= 2
        b = bytearray()
        b += struct.pack('<I', 263) + _text(self.name, 22) + bytes([0]) + struct.pack('<H', 1)
        b += struct.pack('<I', 40) + bytes(96) + env + bytes(48)
        b += bytes([len(self.envelope), 0, self.sustain or 0, 0, 0, 0, 0, 0, env_type, 0])
        b += bytes(self.vibrato)
        b += struct.pack('<H', self.fadeout) + bytes(22)
        assert len(b) == 263
        return bytes(b) + self.sample.header() + self.sample.data()


class Pattern:
    def __init__(self, rows=64):
        self.rows = rows
        self.cells = {}

    def put(self, row, channel, note=0, instrument=0, volume=None, effect=0, param=0):
        """instrument counts from 1 as in the file; volume 0..64 or None."""
        assert 0 <= row < self.rows
        vol = 0 if volume is None else 0x10 + max(0, min(64, int(volume)))
        self.cells[(row, channel)] = (note, instrument, vol, effect, param)

    def off(self, row, channel):
        self.put(row, channel, NOTE_OFF)

    def packed(self, channels):
        out = bytearray()
        for r in range(self.rows):
            for c in range(channels):
                cell = self.cells.get((r, c))
                if cell is None:
                    out.append(0x80)
                    continue
                flags = 0x80
                body = bytearray()
                for bit, value in enumerate(cell):
                    if value:
                        flags |= 1 << bit
                        body.append(value)
                out.append(flags)
                out += body
        return bytes(out)


def _text(s, size):
    return s.encode('ascii')[:size].ljust(size, b'\0')


def module(name, channels, speed, bpm, orders, restart, patterns, instruments):
    used = max(orders) + 1
    assert used <= len(patterns) and len(orders) <= 256 and channels <= 32
    out = bytearray(b'Extended Module: ')
    out += _text(name, 20) + b'\x1a' + _text('Timberdrive tools', 20)
    out += struct.pack('<H', 0x0104)
    out += struct.pack('<IHHHHHHHH', 276, len(orders), restart, channels, len(patterns),
                       len(instruments), 1, speed, bpm)  # flag 1: linear frequencies
    out += bytes(orders).ljust(256, b'\0')
    for p in patterns:
        data = p.packed(channels)
        out += struct.pack('<IBHH', 9, 0, p.rows, len(data)) + data
    for ins in instruments:
        out += ins.data()
    return bytes(out)
