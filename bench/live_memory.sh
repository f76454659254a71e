#!/usr/bin/env bash
# Resident memory of the program, sampled as it runs.
#
#   bash bench/live_memory.sh [playback [HOURS [docks|nodocks|no3d]]]
#       (the default) writes a recording of HOURS (default 4) of the simulated
#       head in a pipe, 400-point scans, and plays it once through at full
#       speed with the pipe-condition docks shown (or hidden), under xvfb-run
#       when there is one, else offscreen. A flat VmRSS column (within 10 MB
#       once the docks' histories have filled) means nothing grows per scan.
#       TUBESCAN_AFTER_END_SECONDS=N plays on N seconds past the file's end,
#       where playback starts again (the same plateau is expected there).
#       TUBESCAN_3D_POINTS=N draws at most N points in the 3D dock (under
#       xvfb, a software renderer, it draws 40,000 unless told); no3d
#       hides that dock alone. The 250 ms samples' spread grows with the
#       points the software renderer draws a frame (see the summary's split
#       of the highest sample).
#   bash bench/live_memory.sh live [SECONDS]
#       the program live against tubescan-sim on 127.0.0.1:4040, sampled once
#       a minute (TUBESCAN_SAMPLE_SECONDS to change), default 600 s.
#
# Both write a settings file that points the head and the UDP output at
# 127.0.0.1 and run with TUBESCAN_LOOPBACK_ONLY=1.
set -euo pipefail
cd "$(dirname "$0")/.."
export TUBESCAN_LOOPBACK_ONLY=1
mode="${1:-playback}"
build="$(cd "${BUILD_DIR:-build}" && pwd)"

run_dir="$(mktemp -d)"
printf '%s\r\n' '[System Settings]' 'IP Address=127.0.0.1' 'Output UDP Address=127.0.0.1' \
    'Output UDP Port=4041' 'Enable UDP Output XYZ=1' 'SettingsDlgVisible=0' \
    'Diagnostics Visible=0' 'Playback Speed=0' > "$run_dir/TubescanL.INI"

sim=""
app=""
cleanup() {
    if [ -n "$app" ]; then kill -TERM "$app" 2>/dev/null || true; wait "$app" 2>/dev/null || true; fi
    if [ -n "$sim" ]; then kill -TERM "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; fi
    rm -rf "$run_dir"
}
trap cleanup EXIT

if [ "$mode" = "playback" ]; then
    hours="${2:-4}"
    docks="${3:-docks}"
    pings=$(awk -v h="$hours" 'BEGIN { printf "%d", h * 3600 * 20 }')
    "$build/bench/bench_live_playback" write "$run_dir/survey.31l" "$pings"
    # A fresh configuration folder: no saved layout, the docks where a first
    # start puts them.
    export XDG_CONFIG_HOME="$run_dir/config" HOME="$run_dir"
    player=("$build/bench/bench_live_playback" play "$run_dir/survey.31l" "$docks"
        "${TUBESCAN_SAMPLE_SECONDS:-30}" "${TUBESCAN_AFTER_END_SECONDS:-0}")
    if command -v xvfb-run > /dev/null; then
        (cd "$run_dir" && xvfb-run -a -s "-screen 0 1600x1000x24" "${player[@]}")
    else
        (cd "$run_dir" && QT_QPA_PLATFORM=offscreen "${player[@]}")
    fi
    exit 0
fi

export QT_QPA_PLATFORM=offscreen
seconds="${2:-600}"
sample="${TUBESCAN_SAMPLE_SECONDS:-60}"
cp "$build/tubescan" "$run_dir/tubescan"
"$build"/tubescan-sim --address 127.0.0.1 --port 4040 > "$run_dir/sim.out" 2>&1 &
sim=$!
sleep 0.5
kill -0 "$sim" 2>/dev/null || { echo "tubescan-sim did not start:"; cat "$run_dir/sim.out"; exit 1; }
(cd "$run_dir" && XDG_CONFIG_HOME="$run_dir/config" exec ./tubescan > "$run_dir/app.out" 2>&1) &
app=$!
sleep 1
echo "elapsed_s  VmRSS_kB  (head replies so far: see the simulator's status)"
for ((t = 0; t <= seconds; t += sample)); do
    printf '%9d  %s\n' "$t" "$(awk '/VmRSS/{print $2}' "/proc/$app/status")"
    [ "$t" -lt "$seconds" ] && sleep "$sample"
done
tail -1 "$run_dir/sim.out"
