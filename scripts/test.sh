#!/bin/sh
# Runs every test: the native build (unit tests and the real LV2 hosts), the
# native build under AddressSanitizer and UndefinedBehaviorSanitizer, and
# the Windows build under Wine.
set -u
cd "$(dirname "$0")/.."

scripts/install-deps.sh || exit 1

passed=0
failed=0
status=0

# run_suite NAME BUILD-DIR CMAKE-ARGS...: configure, build, run CTest.
run_suite() {
    name=$1 dir=$2
    shift 2
    echo "=== $name ($dir)"
    if ! cmake -S . -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1; then
        cat "$dir.configure.log"
        echo "$name: configure failed"
        status=1 failed=$((failed + 1))
        return
    fi
    if ! cmake --build "$dir" -j2; then
        echo "$name: build failed"
        status=1 failed=$((failed + 1))
        return
    fi
    ctest --test-dir "$dir" -j2 --output-on-failure --timeout 900 | tee "$dir.ctest.log"
    rc=$?
    # CTest's summary: "N% tests passed, F tests failed out of T".
    summary=$(grep -E 'tests failed out of' "$dir.ctest.log" | tail -1)
    if [ -z "$summary" ]; then
        echo "$name: CTest ran no test"
        status=1 failed=$((failed + 1))
        return
    fi
    f=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
    t=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/')
    passed=$((passed + t - f))
    failed=$((failed + f))
    [ "$rc" -eq 0 ] && [ "$f" -eq 0 ] || status=1
}

mkdir -p build
run_suite native build/native
run_suite sanitizers build/asan -DBROLT_SANITIZE=address,undefined
run_suite windows build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DBROLT_NATIVE_RENDER="$(pwd)/build/native/tools/brolt-render"

# The state document fuzzer (clang, ASan, UBSan) and the ThreadSanitizer
# run of save and restore against run.
echo "=== fuzzing and thread sanitizer"
if scripts/test-extra.sh; then
    passed=$((passed + 1))
else
    echo "fuzzing and thread sanitizer: failed"
    failed=$((failed + 1)) status=1
fi

echo "tests: $passed passed, $failed failed"
exit $status
