#!/usr/bin/env bash
# Resident memory of the program running live against tubescan-sim on
# 127.0.0.1:4040, sampled once a minute (TUBESCAN_SAMPLE_SECONDS to change).
#   bash bench/live_memory.sh [seconds]      default 600
# A flat VmRSS column means nothing accumulates per ping.
set -euo pipefail
cd "$(dirname "$0")/.."
export TUBESCAN_LOOPBACK_ONLY=1
export QT_QPA_PLATFORM=offscreen
seconds="${1:-600}"
sample="${TUBESCAN_SAMPLE_SECONDS:-60}"

run_dir="$(mktemp -d)"
cp build/tubescan "$run_dir/tubescan"
printf '%s\r\n' '[System Settings]' 'IP Address=127.0.0.1' 'Output UDP Address=127.0.0.1' \
    'Output UDP Port=4041' 'Enable UDP Output XYZ=1' 'SettingsDlgVisible=0' > "$run_dir/TubescanL.INI"

sim=""
app=""
cleanup() {
    if [ -n "$app" ]; then kill -TERM "$app" 2>/dev/null || true; wait "$app" 2>/dev/null || true; fi
    if [ -n "$sim" ]; then kill -TERM "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; fi
    rm -rf "$run_dir"
}
trap cleanup EXIT

./build/tubescan-sim --address 127.0.0.1 --port 4040 > "$run_dir/sim.out" 2>&1 &
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
