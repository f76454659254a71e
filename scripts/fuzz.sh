#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each against its corpus for a bounded time.
#   scripts/fuzz.sh [--seconds N] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=30
targets=()
while [ $# -gt 0 ]; do
    case "$1" in
        --seconds) seconds="$2"; shift 2 ;;
        *) targets+=("$1"); shift ;;
    esac
done
san="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fsanitize=fuzzer-no-link"
cmake -S . -B build-fuzz -G Ninja -DTUBESCAN_CORE_ONLY=ON \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="$san" >/dev/null
cmake --build build-fuzz -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

if [ ${#targets[@]} -eq 0 ]; then
    for f in fuzz/fuzz_*.cpp; do t=$(basename "$f" .cpp); targets+=("$t"); done
fi
for t in "${targets[@]}"; do
    corpus="fuzz/corpus/${t#fuzz_}"
    mkdir -p "$corpus"
    work=$(mktemp -d)
    cp -r "$corpus"/. "$work"/ 2>/dev/null || true
    echo "fuzz: $t for ${seconds}s (corpus $corpus)"
    # New inputs go to a scratch copy; the committed corpus stays small.
    log="$work.log"
    status=0
    ./build-fuzz/fuzz/"$t" -max_total_time="$seconds" -max_len=65536 -print_final_stats=0 \
        -artifact_prefix="$work/../$t-" "$work" "$corpus" >"$log" 2>&1 || status=$?
    grep -E 'ERROR|SUMMARY|Done|#[0-9]+ +in ' "$log" | tail -n 25 || true
    rm -rf "$work" "$log"
    if [ "$status" -ne 0 ]; then echo "fuzz: $t FAILED"; exit 1; fi
    echo "fuzz: $t passed"
done
