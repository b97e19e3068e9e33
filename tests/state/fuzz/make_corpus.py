#!/usr/bin/env python3
"""Writes the fuzzer's seed corpus: saved documents and broken variants.

usage: make_corpus.py STATE_BLOB_TOOL CORPUS_DIR
"""
import os
import struct
import subprocess
import sys
import tempfile

tool, out = sys.argv[1], sys.argv[2]
os.makedirs(out, exist_ok=True)


def saved(fmt, values, rate="48000"):
    with tempfile.NamedTemporaryFile() as f:
        subprocess.run([tool, "save", f.name, fmt, rate] + values, check=True)
        return bytearray(f.read())


def write(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(bytes(data))


def patch(data, offset, new):
    data = bytearray(data)
    data[offset:offset + len(new)] = new
    return data


def checksum(header):
    header = bytearray(header)
    header[148:156] = b" " * 8
    header[148:156] = b"%05o\0\0 " % sum(header)
    return header


def rehead(data, at):
    """Recomputes the checksum of the header at offset at (tar readers check it)."""
    data = bytearray(data)
    data[at:at + 512] = checksum(data[at:at + 512])
    return data


lv2 = saved("lv2", ["50", "50", "50", "100", "100", "0"])
write("saved-lv2", lv2)
write("saved-vst3", saved("vst3", ["250", "-5", "0", "33.5", "200", "1"], "44100"))
write("truncated", lv2[:2000])
write("no-end-blocks", lv2[:4608])
write("bad-version", rehead(patch(lv2, 3072, b"1.1"), 2560))
write("version-whitespace", rehead(patch(patch(lv2, 3072, b"1.0\n\t"), 2560 + 124, b"00000000005"), 2560))
write("size-spaces", patch(lv2, 512 + 124, b"        12\0"))
write("size-huge", patch(lv2, 124, b"20000000000"))
params = 2048
write("zero-key", patch(lv2, params, b"\0\0\0\0"))
write("record-overrun", patch(lv2, params + 4, struct.pack("<I", 0xFFFFFFF0)))
write("nan-volume", patch(lv2, params + 100 - 4, struct.pack("<f", float("nan"))))
write("wrong-id", patch(lv2, lv2.find(b"wyrel-brolt"), b"W"))
# An outer extra member after dsp.tar.
extra = patch(bytearray(lv2[:512]), 0, b"readme.txt\0\0\0")
extra = patch(extra, 124, b"00000000005")
write("outer-extra", lv2[:4608] + checksum(extra) + b"hello" + bytes(507) + bytes(1024))
