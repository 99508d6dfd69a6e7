"""Songs: small tunes written as standard MIDI files (format 0), and one as a
wave file so that the player's fallback to .wav is exercised."""
import math
import struct

import numpy as np

SCALE = [0, 2, 4, 5, 7, 9, 11, 12]
TICKS = 96  # per quarter note


def melody(song):
    """Deterministic tune: a walk over the major scale in two-bar phrases."""
    rng = np.random.default_rng(song + 7)
    root = 60 + (0, 2, 5, 7, -3, 3, 4)[song % 7]
    notes, degree = [], 0
    for bar in range(16):
        for beat in range(4):
            step = int(rng.choice([-2, -1, 1, 1, 2, 0]))
            degree = max(0, min(7, degree + step))
            if bar % 4 == 3 and beat == 3:
                degree = 0
            length = TICKS * (2 if beat == 3 and bar % 2 else 1)
            notes.append((root + SCALE[degree], length if beat < 3 or bar % 2 else TICKS))
    return notes


def _var(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, 0x80 | (n & 0x7F))
        n >>= 7
    return bytes(out)


def midi_file(song):
    ev = bytearray()
    ev += _var(0) + b"\xFF\x51\x03" + (500000 + song * 40000).to_bytes(3, "big")
    ev += _var(0) + bytes([0xC0, (0, 73, 11, 24, 46, 8, 13)[song % 7]])
    ev += _var(0) + bytes([0xC1, 32])
    for pitch, length in melody(song):
        ev += _var(0) + bytes([0x90, pitch, 88, 0x91, pitch - 24, 60])
        ev += _var(length) + bytes([0x80, pitch, 0]) + _var(0) + bytes([0x81, pitch - 24, 0])
    ev += _var(0) + b"\xFF\x2F\x00"
    head = b"MThd" + struct.pack(">IHHH", 6, 0, 1, TICKS)
    return head + b"MTrk" + struct.pack(">I", len(ev)) + bytes(ev)


def wave_file(song, rate=11025):
    """8-bit mono PCM of the same tune with soft sine notes (first eight bars)."""
    chunks = []
    for pitch, length in melody(song)[:32]:
        n = int(rate * 0.25 * length / TICKS)
        t = np.arange(n) / rate
        f = 440.0 * 2 ** ((pitch - 69) / 12)
        env = np.minimum(1.0, np.minimum(t * 40, (n - np.arange(n)) / (0.05 * rate)))
        chunks.append(np.sin(2 * math.pi * f * t) * env * 0.6)
    pcm = (np.concatenate(chunks) * 127 + 128).round().clip(0, 255).astype(np.uint8).tobytes()
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate, 1, 8)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(pcm)) + pcm
    return b"RIFF" + struct.pack("<I", len(body)) + body
