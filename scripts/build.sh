#!/bin/sh
# Builds both plug-in bundles into dist/ (and the native offline renderer).
#
#   scripts/build.sh
#   BROLT_WEBVIEW2_LOADER=/path/to/WebView2Loader.dll scripts/build.sh
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh

loader=""
if [ -n "${BROLT_WEBVIEW2_LOADER:-}" ]; then
    loader="-DBROLT_WEBVIEW2_LOADER=$(realpath "$BROLT_WEBVIEW2_LOADER")"
fi

cmake -S . -B build/win -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake $loader
cmake --build build/win -j2 --target bundles
rm -rf dist
cmake --install build/win --prefix dist

cmake -S . -B build/native -G Ninja
cmake --build build/native -j2 --target tools engine_bench

echo "build: bundles in dist/:"
ls -1 dist
