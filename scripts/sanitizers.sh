#!/usr/bin/env bash
# Builds the threaded tests and the program with ThreadSanitizer, and the
# rest of the suite with AddressSanitizer and UndefinedBehaviorSanitizer, then
# runs them. Any report fails the run. Suppressions (scripts/tsan.supp) cover
# only Qt's and glib's own uninstrumented internals, each explained there.
#
#   scripts/sanitizers.sh [tsan|asan]...     (default: both)
set -euo pipefail
cd "$(dirname "$0")/.."
export TUBESCAN_LOOPBACK_ONLY=1
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc 2>/dev/null || echo 2)
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(tsan asan)

bash scripts/install-deps.sh >/dev/null
source scripts/build-env.sh

configure() { # folder flags
    cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUBESCAN_BUILD_BENCH=OFF \
        -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
        -DCMAKE_CXX_FLAGS="$2 -fno-omit-frame-pointer" \
        -DCMAKE_EXE_LINKER_FLAGS="$2" >/dev/null
}

for kind in "${kinds[@]}"; do
    case "$kind" in
    tsan)
        # The acquisition thread, the link, the UDP output and the program's
        # own threads, in process against fake heads. Tests that start another
        # process (the simulator, the program itself) run under the other
        # sanitizers only: this compiler's ThreadSanitizer runtime aborts in a
        # fork from a threaded program.
        configure build-tsan "-fsanitize=thread"
        cmake --build build-tsan -j "$jobs" --target link_tests main_window_tests xyz_io_tests \
            tubescan tubescan-sim tubescan-convert >/dev/null
        export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(pwd)/scripts/tsan.supp"
        (cd build-tsan && ctest --output-on-failure -j "$jobs" --timeout 600 \
            -R '^(HeadLinkCycle|HeadLinkStream|HeadLinkSafety|LivePing|HeadModel|ReplyAssembler|ParameterLinkTest|UdpOutput|LiveAnalysisWorker)\.')
        unset TSAN_OPTIONS
        ;;
    asan)
        configure build-asan "-fsanitize=address,undefined -fno-sanitize-recover=undefined"
        cmake --build build-asan -j "$jobs" >/dev/null
        export ASAN_OPTIONS="detect_leaks=1 abort_on_error=1"
        export UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1"
        export LSAN_OPTIONS="suppressions=$(pwd)/scripts/lsan.supp print_suppressions=0"
        # The 3D render test loads Mesa's software OpenGL driver, which
        # leaks from a module it has already unloaded (no name to suppress):
        # it runs in the ordinary build only.
        (cd build-asan && ctest --output-on-failure -j "$jobs" --timeout 600 -E '^pipe3d_render$')
        unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS
        ;;
    *)
        echo "sanitizers: unknown kind $kind (tsan or asan)"
        exit 2
        ;;
    esac
    echo "sanitizers: $kind clean"
done
