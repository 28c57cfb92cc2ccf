#!/usr/bin/env python3
"""Synthesises the four shutter sounds (16-bit mono WAVE, 44.1 kHz) into this folder.

Each sound is made of short noise bursts shaped by a fast attack and an exponential decay
(the mirror and the shutter curtains), low-passed a little so they sound mechanical rather
than hissy. Nothing is recorded; a fixed seed makes the files the same on every run.
Run: python3 make_shutter_sounds.py
"""
import math
import os
import random
import struct
import wave

RATE = 44100


def burst(length_s, start_s, decay_s, level, smooth, rng, tone_hz=0.0):
    """One click: noise (plus an optional ringing tone) under an attack/decay envelope."""
    n = int(length_s * RATE)
    out = [0.0] * n
    start = int(start_s * RATE)
    lp = 0.0
    for i in range(start, n):
        t = (i - start) / RATE
        env = min(1.0, t / 0.0008) * math.exp(-t / decay_s)
        if env < 1e-4:
            break
        lp += smooth * (rng.uniform(-1.0, 1.0) - lp)
        tone = math.sin(2 * math.pi * tone_hz * t) if tone_hz else 0.0
        out[i] = level * env * (0.8 * lp + 0.2 * tone)
    return out


def mix(*tracks):
    n = max(len(t) for t in tracks)
    out = [0.0] * n
    for t in tracks:
        for i, v in enumerate(t):
            out[i] += v
    return out


def write(name, samples):
    peak = max(1e-9, max(abs(v) for v in samples))
    scale = 0.7 * 32767 / peak
    frames = b"".join(struct.pack("<h", int(round(v * scale))) for v in samples)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), name + ".wav")
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


def main():
    rng = random.Random(20240611)
    length = 0.30
    # Mirror up, curtains, mirror down: three clicks, the last the loudest.
    write("D5000_SHUTTER", mix(burst(length, 0.000, 0.012, 0.7, 0.35, rng, 1800),
                               burst(length, 0.045, 0.008, 0.5, 0.55, rng),
                               burst(length, 0.110, 0.020, 1.0, 0.30, rng, 1200)))
    # A lighter body: two quick, bright clicks.
    write("KISSX2_SHUTTER", mix(burst(length, 0.000, 0.010, 0.8, 0.60, rng, 2600),
                                burst(length, 0.075, 0.014, 1.0, 0.50, rng, 2200)))
    # A heavier body: deep, damped thumps.
    write("50D_SHUTTER", mix(burst(length, 0.000, 0.018, 1.0, 0.18, rng, 700),
                             burst(length, 0.090, 0.025, 0.9, 0.15, rng, 550)))
    # A translucent mirror: one crisp curtain click with a short electronic chirp.
    write("ALPHA77_SHUTTER", mix(burst(length, 0.000, 0.006, 1.0, 0.70, rng, 3200),
                                 burst(length, 0.030, 0.030, 0.35, 0.05, rng, 4000)))


if __name__ == "__main__":
    main()
