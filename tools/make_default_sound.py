#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Licensed under the GNU General Public License version 3 or any later version.
"""Writes resources/Sound/default.wav: the birthday reminder's soft two-tone chime.

Two bell-like notes (G5, then C6 a little later), each a sine with two quiet
overtones, a short fade-in so nothing clicks, and an exponential decay.
Run from anywhere: python3 tools/make_default_sound.py
"""

import math
import os
import struct
import wave

RATE = 22050
LENGTH = 1.3  # seconds
PEAK = 0.45   # of full scale: pleasant, not loud

# (start in seconds, frequency in Hz, loudness)
NOTES = [(0.00, 783.99, 1.0), (0.28, 1046.50, 0.9)]
# Overtones as (multiple of the frequency, share): a soft bell, not a buzzer.
OVERTONES = [(1.0, 1.0), (2.0, 0.18), (3.0, 0.05)]
ATTACK = 0.006  # seconds
DECAY = 3.2     # per second


def sample(t):
    value = 0.0
    for start, frequency, loudness in NOTES:
        age = t - start
        if age < 0:
            continue
        envelope = loudness * math.exp(-DECAY * age)
        if age < ATTACK:
            envelope *= age / ATTACK
        for multiple, share in OVERTONES:
            value += envelope * share * math.sin(2 * math.pi * frequency * multiple * age)
    return value


def main():
    frames = int(RATE * LENGTH)
    raw = [sample(i / RATE) for i in range(frames)]
    # Fade the last 50 ms to silence so the sound ends cleanly.
    fade = int(RATE * 0.05)
    for i in range(fade):
        raw[frames - fade + i] *= 1 - i / fade
    scale = PEAK / max(abs(v) for v in raw)
    data = b"".join(struct.pack("<h", int(round(v * scale * 32767))) for v in raw)

    here = os.path.dirname(os.path.abspath(__file__))
    target = os.path.join(here, "..", "resources", "Sound", "default.wav")
    os.makedirs(os.path.dirname(target), exist_ok=True)
    with wave.open(target, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(data)


if __name__ == "__main__":
    main()
