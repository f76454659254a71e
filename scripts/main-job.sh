#!/usr/bin/env bash
# The main job: installs what is missing, builds TubescanL and its tools, and
# runs the program against the bundled head simulator on 127.0.0.1.
#
# The program runs from a scratch folder with its own settings file that points
# the head and the UDP output at 127.0.0.1, so a settings file you already have
# is never read or changed. With a display the window opens and the job ends
# when you close it; without one the program runs under Xvfb for about twenty
# seconds and leaves a screenshot. Either way it records to survey.31l in the
# scratch folder (or to the name you pass: main-job.sh NAME), and the
# recording is converted to survey.xyz afterwards.
#
# The simulator also plays the orientation sensor: it writes pitch, roll and
# distance records into one end of a socat pseudo-terminal pair, and the
# settings file names the other end as COM9, the program's orientation input.
# So the recording, its .xyz (Z grows with the distance travelled) and the
# Distance pane show the sensor at work.
#
#   TUBESCAN_RUN_SECONDS   how long the headless run lasts (default 20)
#   TUBESCAN_RUN_DIR       the scratch folder (default: a new one under build/)
set -euo pipefail
cd "$(dirname "$0")/.."
export TUBESCAN_LOOPBACK_ONLY=1

bash scripts/install-deps.sh
source scripts/build-env.sh
# Only what this job runs: the tests and benchmarks are the test command's.
# A build folder the test command configured keeps its options: turning the
# tests off there would leave its test programs stale for the next test run.
if [[ -f build/CMakeCache.txt ]]; then
    cmake -S . -B build >/dev/null
else
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTUBESCAN_BUILD_TESTS=OFF -DTUBESCAN_BUILD_BENCH=OFF >/dev/null
fi
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target tubescan tubescan-sim tubescan-convert

run_dir="${TUBESCAN_RUN_DIR:-$(mktemp -d "$(pwd)/build/run-XXXXXX")}"
mkdir -p "$run_dir"
run_dir="$(cd "$run_dir" && pwd)"
seconds="${TUBESCAN_RUN_SECONDS:-20}"

# The program reads the settings file beside its executable: give it a copy
# of its own in the scratch folder, with the range marks, the polar grid and
# the pitch/roll/distance indicator on so the screenshot shows them.
cp build/tubescan build/tubescan-convert build/tubescan-report.so "$run_dir/"
printf '%s\r\n' \
    '[System Settings]' \
    'IP Address=127.0.0.1' \
    'Output UDP Address=127.0.0.1' \
    'Output UDP Port=4041' \
    'Enable UDP Output XYZ=1' \
    'Read File Directory='"$run_dir"'/' \
    'Write File Directory='"$run_dir"'/' \
    'Settings Left=240' \
    'Settings Top=110' \
    'ViewRangeMark=1' \
    'Grid=2' \
    'Grid Style=0' \
    'Display PRD=1' \
    'EnablePRDInput=1' \
    'PRDComPort=9' \
    'PRDComPortBaud=38400' \
    'UseExtPRD=1' \
    'Speed of Sound=1447.3' \
    '[Serial Ports]' \
    'COM9='"$run_dir"'/pty-program' \
    > "$run_dir/TubescanL.INI"

# The simulated pipe holds 10 degree fresh water (1447.3 m/s): the program is
# set to that speed and the survey details say where it came from, so the
# figures are true to size and the report says how the scale was set.
water_temperature=10
# The details a deliverable needs are given too (a bench pipe between two
# made-up manholes), so the recording starts without asking for them and
# every output names the same pipe. The manholes have coordinates in a
# projected system, so the LAS cloud and the GeoJSON map land on a street:
# 6 m apart, about the run's length at the simulator's travel speed.
printf '{\n  "format": "tubescan-survey/1",\n  "pipe_reference": "BENCH-1",\n  "start_node": "MH-A",\n  "finish_node": "MH-B",\n  "direction": "downstream",\n  "inspector": "Bench simulator",\n  "water_temperature_c": %s,\n  "crs": "EPSG:25832",\n  "start_node_coordinates": {"x": 500000.000, "y": 5700000.000, "z": 100.000},\n  "finish_node_coordinates": {"x": 500003.600, "y": 5700004.800, "z": 99.940}\n}\n' \
    "$water_temperature" > "$run_dir/survey.survey.json"

sim_pid=""
socat_pid=""
cleanup() {
    for pid in "$sim_pid" "$socat_pid"; do
        if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
            kill -TERM "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
}
trap cleanup EXIT

# The sensor's cable: a pseudo-terminal pair, nothing else on the machine.
prd_args=()
socat pty,raw,echo=0,link="$run_dir/pty-sensor" pty,raw,echo=0,link="$run_dir/pty-program" \
    > "$run_dir/socat.log" 2>&1 &
socat_pid=$!
for _ in $(seq 50); do
    [ -e "$run_dir/pty-sensor" ] && [ -e "$run_dir/pty-program" ] && break
    sleep 0.1
done
if [ -e "$run_dir/pty-sensor" ]; then
    prd_args=(--prd-device "$run_dir/pty-sensor")
else
    echo "main-job: socat made no pseudo-terminal pair (see $run_dir/socat.log);"
    echo "          the program runs without its orientation input."
fi

# An oval stretch, a debris mound, a flat sediment layer and a pitched head
# along the pipe, for the Pipe Condition panel; the distance the sensor
# reports travels through all of them.
./build/tubescan-sim --address 127.0.0.1 "${prd_args[@]}" --travel-speed 0.2 \
    --water-temperature "$water_temperature" \
    --ovality-between 1:2:0.08 --debris-between 2.5:3.5:0.15 --debris-layer 4:5:0.15 \
    --pitch-between 5.5:6.5:10 > "$run_dir/sim.log" 2>&1 &
sim_pid=$!
sleep 0.5
if ! kill -0 "$sim_pid" 2>/dev/null; then
    echo "main-job: the head simulator did not start (see $run_dir/sim.log);"
    echo "          the program runs without a head and shows \"No Connection\"."
    sim_pid=""
fi

# Unless told otherwise, the run records what it sees to survey.31l.
if [ $# -eq 0 ]; then set -- "$run_dir/survey"; fi

# The recording, converted to profile points with the same settings, and
# where everything is.
report() {
    for rec in "$run_dir"/*.31l; do
        [ -e "$rec" ] || continue
        "$run_dir/tubescan-convert" --quiet --force "$rec" || true
        echo "main-job: recording:      $rec ($(stat -c %s "$rec") bytes)"
        xyz="${rec%.31l}.xyz"
        [ -e "$xyz" ] && echo "main-job: profile points: $xyz ($(wc -l < "$xyz") lines)"
        "$run_dir/tubescan-convert" --analysis --quiet --force "$rec" || true
        csv="${rec%.31l}.csv"
        [ -e "$csv" ] && echo "main-job: pipe condition: $csv ($(($(wc -l < "$csv") - 1)) scans)"
        "$run_dir/tubescan-convert" --ply --quiet --force "$rec" || true
        ply="${rec%.31l}.ply"
        [ -e "$ply" ] && echo "main-job: point cloud:    $ply ($(stat -c %s "$ply") bytes)"
        "$run_dir/tubescan-convert" --las --quiet --force "$rec" || true
        las="${rec%.31l}.las"
        [ -e "$las" ] && echo "main-job: LAS 1.4 cloud:  $las ($(stat -c %s "$las") bytes)"
        "$run_dir/tubescan-convert" --observations --quiet --force "$rec" || true
        obs="${rec%.31l}.pacp.csv"
        [ -e "$obs" ] && echo "main-job: observations:   ${rec%.31l}.en13508.txt, $obs ($(($(wc -l < "$obs") - 1)) lines, proposals)"
        "$run_dir/tubescan-convert" --report --quiet --force "$rec" || true
        pdf="${rec%.31l}.pdf"
        [ -e "$pdf" ] && echo "main-job: report:         $pdf"
        "$run_dir/tubescan-convert" --grade --quiet --force "$rec" || true
        grade="${rec%.31l}.grade.csv"
        [ -e "$grade" ] && echo "main-job: grade profile:  $grade"
        "$run_dir/tubescan-convert" --geojson --quiet --force "$rec" || true
        geojson="${rec%.31l}.geojson"
        [ -e "$geojson" ] && echo "main-job: map (GeoJSON):  $geojson"
    done
    echo "main-job: settings file:  $run_dir/TubescanL.INI"
}

echo "main-job: running TubescanL in $run_dir"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    (cd "$run_dir" && ./tubescan "$@")
    report
    exit 0
fi

# No display: a virtual one, a screenshot after the run, then an orderly exit.
shot="$run_dir/tubescan-screenshot.png"
cat > "$run_dir/headless-run.sh" <<INNER
set -u
cd "$run_dir"
./tubescan "\$@" > "$run_dir/tubescan.log" 2>&1 &
pid=\$!
sleep "$seconds"
import -window root "$shot"
kill -TERM "\$pid"
wait "\$pid"
echo "main-job: TubescanL exited with status \$?"
INNER
xvfb-run -a -s "-screen 0 1600x1000x24" bash "$run_dir/headless-run.sh" "$@"

echo
echo "main-job: screenshot:     $shot"
echo "main-job: program output: $run_dir/tubescan.log"
report
