#!/bin/sh
# The extra builds of the state archive and the LV2 state, run after the
# plain native tests:
#   - build/fuzz: clang with ASan and UBSan; the portable tests and the
#     state document fuzzer for a bounded time (default 60 s);
#   - build/tsan: ThreadSanitizer; run against save and restore.
# Exits non-zero on any failure, crash or sanitizer report.
#   usage: scripts/test-extra.sh [FUZZ_SECONDS]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
cd "$root"

echo "== fuzz build (clang, address,undefined; fuzzing ${seconds} s)"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DBROLT_PORTABLE_ONLY=ON \
    -DBROLT_SANITIZE=address,undefined -DBROLT_FUZZ=ON -DBROLT_FUZZ_SECONDS="$seconds" >/dev/null
cmake --build build/fuzz -j2
ctest --test-dir build/fuzz --output-on-failure

echo "== thread sanitizer build"
cmake -S . -B build/tsan -G Ninja -DBROLT_SANITIZE=thread >/dev/null
cmake --build build/tsan -j2 --target lv2_concurrency_test
TSAN_OPTIONS="halt_on_error=1 exitcode=66 ${TSAN_OPTIONS:-}" \
    build/tsan/tests/lv2host/lv2_concurrency_test --gtest_color=no

echo "test-extra: ok"
