#!/usr/bin/env bash
# The test command: installs what is missing, builds everything, runs every
# test (unit, integration, fuzz-corpus replay), then builds the Debian package
# and checks it. Network traffic stays on loopback: TUBESCAN_LOOPBACK_ONLY
# makes the program refuse anything else.
set -euo pipefail
cd "$(dirname "$0")/.."
export TUBESCAN_LOOPBACK_ONLY=1
export QT_QPA_PLATFORM=offscreen

bash scripts/install-deps.sh
source scripts/build-env.sh
bash scripts/check-format.sh

jobs=$(nproc 2>/dev/null || echo 2)
# The main job may have configured this folder without them: turn them back on.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTUBESCAN_BUILD_TESTS=ON -DTUBESCAN_BUILD_BENCH=ON >/dev/null
cmake --build build -j "$jobs"

# Fuzz targets: rebuilt with clang and the sanitizers, then each replays its
# corpus and explores for a few seconds, so a regression fails here.
bash scripts/fuzz.sh --seconds "${TUBESCAN_FUZZ_SECONDS:-5}"

(cd build && ctest --output-on-failure -j "$jobs" --timeout 300)

bash scripts/package-check.sh build
