#!/usr/bin/env python3
"""Writes the test input of the render comparison: a mono 32-bit float WAV
whose samples are exact binary fractions (a detuned saw with plucked noise
bursts), so that every platform reads the very same bits."""
import os
import struct
import sys

RATE = 48000
SECONDS = 3


def samples():
    seed = 12345
    out = []
    for i in range(RATE * SECONDS):
        # Saw at about 110 Hz, amplitude 1/4, in steps of 2^-16.
        saw = ((i * 150) % 65536 - 32768) / 131072.0
        # A noise burst at the start of every half second, decaying in steps.
        seed = (seed * 1664525 + 1013904223) % 2**32
        age = i % (RATE // 2)
        noise = ((seed >> 9) - 2**22) / 2**23 / (1 << min(age // 2400, 20))
        out.append(saw + noise * 0.5)
    return out


def main():
    data = b"".join(struct.pack("<f", x) for x in samples())
    fmt = struct.pack("<HHIIHHH", 3, 1, RATE, RATE * 4, 4, 32, 0)
    fact = struct.pack("<I", len(data) // 4)
    body = (b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt +
            b"fact" + struct.pack("<I", 4) + fact +
            b"data" + struct.pack("<I", len(data)) + data)
    os.makedirs(os.path.dirname(os.path.abspath(sys.argv[1])), exist_ok=True)
    with open(sys.argv[1], "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


if __name__ == "__main__":
    main()
