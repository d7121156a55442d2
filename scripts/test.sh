#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the unit and peer tests, the same
# tests under AddressSanitizer and UndefinedBehaviorSanitizer, the unit tests of the library
# built without vector code (as for other processors), and each fuzz target for a bounded
# time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

echo "== Build and test"
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default -j2

echo "== Sanitizers"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j2

echo "== Without vector code"
cmake --preset scalar >/dev/null
cmake --build --preset scalar
ctest --preset scalar -j2

echo "== Fuzzing"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
scripts/run-fuzz.sh build/fuzz "${FUZZ_SECONDS:-60}"
