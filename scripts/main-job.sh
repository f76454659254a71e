#!/usr/bin/env bash
# The main job: installs what is missing, builds TubescanL and its tools, and
# reports what was built. (Running the program against the bundled simulator
# joins this script as the program takes shape.)
set -euo pipefail
cd "$(dirname "$0")/.."
export TUBESCAN_LOOPBACK_ONLY=1

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)"
echo
echo "Built:"
for exe in tubescan tubescan-sim tubescan-convert; do
    printf '  %s\n' "$(pwd)/build/$exe"
done
