#!/usr/bin/env bash
# Sets up everything the tests need, builds, and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
build=${TESSELA_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j 2
