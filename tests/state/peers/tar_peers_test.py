#!/usr/bin/env python3
"""Checks saved state documents against GNU tar and Python's tarfile, both
ways: they must list and extract what this program writes, and this program
must load a document that tarfile writes.

usage: tar_peers_test.py STATE_BLOB_TOOL WORK_DIR
"""
import io
import os
import shutil
import struct
import subprocess
import sys
import tarfile

TOOL, WORK = sys.argv[1], sys.argv[2]
VALUES = [12.5, 0.0, 99.75, 33.0, 187.25, 1.0]
KEYS = ["drive", "tone", "heat", "mix", "volume", "bypass"]
RATE = 96000.0
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def records(data):
    """The key/value records of a map member, as a dict."""
    out, at = {}, 0
    while at < len(data):
        k, v = struct.unpack_from("<II", data, at)
        out[data[at + 8:at + 8 + k].decode()] = data[at + 8 + k:at + 8 + k + v]
        at += 8 + k + v
    check(at == len(data), "records end exactly at the member's end")
    return out


def check_members(names, contents, fmt, source):
    check(names == ["info.map", "parameters.map", "version"],
          f"{source}: dsp.tar members in key order, got {names}")
    check(contents.get("version") == b"1.0", f"{source}: version is 1.0")
    info = records(contents.get("info.map", b""))
    check(info.get("id") == b"wyrel-brolt", f"{source}: id")
    check(info.get("format") == fmt.encode(), f"{source}: format {fmt}")
    check(info.get("platform") == b"windows", f"{source}: platform")
    check(info.get("sample_rate") == struct.pack("<f", RATE), f"{source}: sample_rate")
    for key, want in (("version_major", 1), ("version_minor", 2),
                      ("version_revision", 0), ("version_build", 1)):
        check(info.get(key) == struct.pack("<I", want), f"{source}: {key}")
    params = contents.get("parameters.map", b"")
    check(len(params) == 100, f"{source}: parameters.map is 100 bytes")
    params = records(params)
    for key, want in zip(KEYS, VALUES):
        check(params.get(key) == struct.pack("<f", want), f"{source}: {key}")


def run(args, **kw):
    return subprocess.run(args, capture_output=True, **kw)


def gnu_tar(blob, fmt):
    where = os.path.join(WORK, "gnu-" + fmt)
    os.makedirs(where)
    listing = run(["tar", "-tvf", blob])
    check(listing.returncode == 0 and not listing.stderr,
          f"GNU tar lists the outer archive cleanly: {listing.stderr!r}")
    check(listing.stdout.decode().split()[-1:] == ["dsp.tar"] and
          len(listing.stdout.splitlines()) == 1, "GNU tar: the outer archive holds dsp.tar")
    done = run(["tar", "-xf", blob, "-C", where])
    check(done.returncode == 0 and not done.stderr, f"GNU tar extracts: {done.stderr!r}")
    inner = os.path.join(where, "dsp.tar")
    check(os.path.getsize(inner) == 4096, "GNU tar: dsp.tar is 4096 bytes")
    names = run(["tar", "-tf", inner])
    check(names.returncode == 0 and not names.stderr, f"GNU tar lists dsp.tar: {names.stderr!r}")
    done = run(["tar", "-xf", inner, "-C", where])
    check(done.returncode == 0 and not done.stderr, f"GNU tar extracts dsp.tar: {done.stderr!r}")
    members = names.stdout.decode().split()
    contents = {}
    for m in members:
        with open(os.path.join(where, m), "rb") as f:
            contents[m] = f.read()
    check_members(members, contents, fmt, "GNU tar")


def python_tarfile(blob, fmt):
    with tarfile.open(blob, "r:") as outer:
        members = outer.getmembers()
        check([m.name for m in members] == ["dsp.tar"], "tarfile: the outer archive holds dsp.tar")
        check(all(m.isreg() and m.mode == 0o644 for m in members), "tarfile: a regular file 0644")
        data = outer.extractfile("dsp.tar").read()
    check(len(data) == 4096, "tarfile: dsp.tar is 4096 bytes")
    with tarfile.open(fileobj=io.BytesIO(data), mode="r:") as inner:
        names = inner.getnames()
        contents = {n: inner.extractfile(n).read() for n in names}
    check_members(names, contents, fmt, "tarfile")
    # Extraction to disk as well, as a user would do it.
    where = os.path.join(WORK, "py-" + fmt)
    with tarfile.open(blob, "r:") as outer:
        outer.extractall(where)
    with open(os.path.join(where, "dsp.tar"), "rb") as f:
        check(f.read() == data, "tarfile: extracted dsp.tar matches")


def tarfile_document():
    """A document written by tarfile (ustar, padded to its 10240-byte record)."""
    def pack(members):
        buf = io.BytesIO()
        with tarfile.open(fileobj=buf, mode="w", format=tarfile.USTAR_FORMAT) as t:
            for name, data in members:
                info = tarfile.TarInfo(name)
                info.size = len(data)
                t.addfile(info, io.BytesIO(data))
        return buf.getvalue()

    def rec(entries):
        return b"".join(struct.pack("<II", len(k), len(v)) + k + v for k, v in entries)

    info = rec([(b"id", b"wyrel-brolt"), (b"format", b"other")])
    params = rec([(k.encode(), struct.pack("<f", v)) for k, v in zip(KEYS, VALUES)])
    dsp = pack([("version", b"1.0\n"), ("parameters.map", params), ("info.map", info)])
    path = os.path.join(WORK, "from-tarfile.bin")
    with open(path, "wb") as f:
        f.write(pack([("dsp.tar", dsp), ("readme.txt", b"extra")]))
    loaded = run([TOOL, "load", path])
    check(loaded.returncode == 0, f"a tarfile-written document loads: {loaded.stderr!r}")
    got = [float(x) for x in loaded.stdout.split()]
    check(got == VALUES, f"its values load unchanged, got {got}")


shutil.rmtree(WORK, ignore_errors=True)
os.makedirs(WORK)
for fmt in ("lv2", "vst3"):
    blob = os.path.join(WORK, fmt + ".bin")
    made = run([TOOL, "save", blob, fmt, str(RATE)] + [str(v) for v in VALUES])
    check(made.returncode == 0, f"state_blob_tool save {fmt}")
    check(os.path.getsize(blob) == 5632, f"{fmt}: the blob is 5632 bytes")
    gnu_tar(blob, fmt)
    python_tarfile(blob, fmt)
tarfile_document()
print("tar peers:", "FAILED" if failures else "ok")
sys.exit(1 if failures else 0)
