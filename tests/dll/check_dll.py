#!/usr/bin/env python3
"""Checks a Windows DLL's import and export tables.

The module may import only Windows system libraries (no C++ runtime, no
pthread DLL: those are linked statically) and must export exactly the
names given.

usage: check_dll.py OBJDUMP DLL EXPORT [EXPORT...]
"""
import re
import subprocess
import sys

# Libraries every Windows installation has.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "ole32.dll", "oleaut32.dll",
    "shell32.dll", "shlwapi.dll", "advapi32.dll", "msvcrt.dll", "ucrtbase.dll",
    "ws2_32.dll", "comctl32.dll", "uuid.dll", "version.dll", "bcrypt.dll",
}


def is_system(name):
    name = name.lower()
    return name in SYSTEM_DLLS or name.startswith("api-ms-win-")


def main():
    objdump, dll, expected = sys.argv[1], sys.argv[2], set(sys.argv[3:])
    text = subprocess.run([objdump, "-p", dll], check=True, capture_output=True,
                          text=True).stdout

    imports = re.findall(r"^\s*DLL Name: (\S+)", text, re.M)
    bad_imports = [name for name in imports if not is_system(name)]

    exports = set()
    table = re.search(r"\[Ordinal/Name Pointer\] Table\n(.*?)(?:\n\n|\Z)", text, re.S)
    if table:
        exports = set(re.findall(r"\]\s+(\S+)\s*$", table.group(1), re.M))

    failed = False
    if not imports:
        print(f"{dll}: no import table found")
        failed = True
    if bad_imports:
        print(f"{dll}: imports non-system libraries: {', '.join(bad_imports)}")
        failed = True
    if exports != expected:
        print(f"{dll}: exports {sorted(exports)}, expected {sorted(expected)}")
        failed = True
    if failed:
        return 1
    print(f"{dll}: imports {', '.join(imports)}; exports {', '.join(sorted(exports))}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
