#!/bin/sh
# Installs every Debian package the build and the tests need.
# Does nothing when they are all present already.
set -eu

PACKAGES="
cmake
ninja-build
g++
g++-mingw-w64-x86-64-posix
binutils-mingw-w64-x86-64
wine64
lv2-dev
liblilv-dev
lilv-utils
sordi
googletest
libbenchmark-dev
libsndfile1-dev
pkg-config
clang
libclang-rt-14-dev
python3
tar
sox
"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    exit 0
fi

echo "install-deps: installing:$missing" >&2
if [ "$(id -u)" -ne 0 ]; then
    SUDO=sudo
else
    SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
