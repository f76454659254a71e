#!/usr/bin/env bash
# Soak: runs TubescanL headless against the head simulator in each of the
# simulator's fault modes in turn, then all of them together, recording, and
# checks for each mode that
#   - the link recovered (the recording still grows in the last quarter),
#   - the recording holds exactly the replies the simulator sent (at most the
#     one in flight when the program was stopped may be missing),
#   - resident memory did not grow (from the first quarter to the end),
#   - SIGTERM ended the program with status 0 and the settings file intact.
#
#   scripts/soak.sh [SECONDS]      seconds per mode (default 60)
#   SOAK_MODES="split garbage"     only these modes
#
# Everything stays on 127.0.0.1: the program's settings file points the head
# and the UDP output there, and TUBESCAN_LOOPBACK_ONLY is set.
set -uo pipefail
cd "$(dirname "$0")/.."
export TUBESCAN_LOOPBACK_ONLY=1
export QT_QPA_PLATFORM=offscreen
seconds="${1:-60}"

bash scripts/install-deps.sh >/dev/null
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target tubescan tubescan-sim >/dev/null ||
    { echo "soak: build failed"; exit 1; }

root="$(mktemp -d "$(pwd)/build/soak-XXXXXX")"
modes=(
    "delay:--delay 40"
    "split:--split"
    "silence:--silent-after 400 --silent-seconds 2"
    "close:--close-after 500"
    "bad-signature:--bad-signature-every 9"
    "garbage:--garbage-every 10 --garbage-bytes 300"
    "all:--delay 5 --split --silent-after 700 --silent-seconds 1.5 --close-after 900 --bad-signature-every 9 --garbage-every 10 --garbage-bytes 300"
)

# SOAK_MODES="close bad-signature" runs only those modes.
if [ -n "${SOAK_MODES:-}" ]; then
    chosen=()
    for entry in "${modes[@]}"; do
        case " $SOAK_MODES " in *" ${entry%%:*} "*) chosen+=("$entry") ;; esac
    done
    modes=("${chosen[@]}")
fi

rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
record_count() { echo $(( $(stat -c %s "$1" 2>/dev/null || echo 0) / 512 )); }

failed=0
passed=0
for entry in "${modes[@]}"; do
    name="${entry%%:*}"
    args="${entry#*:}"
    dir="$root/$name"
    mkdir -p "$dir"
    cp build/tubescan "$dir/"
    printf '%s\r\n' '[System Settings]' 'IP Address=127.0.0.1' 'Output UDP Address=127.0.0.1' \
        'Output UDP Port=9' 'Enable UDP Output XYZ=0' 'Enable UDP Output PRD=0' \
        "Read File Directory=$dir/" "Write File Directory=$dir/" > "$dir/TubescanL.INI"

    # shellcheck disable=SC2086
    # The program always calls the head on port 4040: a simulator of
    # someone else's there would answer our program and spoil the counts.
    for _ in $(seq 100); do
        ss -ltn 2>/dev/null | grep -q '127.0.0.1:4040 ' || break
        sleep 0.2
    done
    if ss -ltn 2>/dev/null | grep -q '127.0.0.1:4040 '; then
        failed=$((failed + 1))
        printf 'soak: %-14s FAILED  port 4040 is taken by another program\n' "$name"
        continue
    fi
    ./build/tubescan-sim --address 127.0.0.1 $args > "$dir/sim.log" 2>&1 &
    sim=$!
    sleep 0.5
    (cd "$dir" && exec ./tubescan "$dir/soak" > "$dir/tubescan.log" 2>&1) &
    prog=$!
    sleep "$(awk -v s="$seconds" 'BEGIN{print s/4}')"
    pid=$prog
    rss_early=$(rss_kb "$pid")
    sleep "$(awk -v s="$seconds" 'BEGIN{print s/2}')"
    grown_at=$(record_count "$dir/soak.31l")
    sleep "$(awk -v s="$seconds" 'BEGIN{print s/4}')"
    rss_late=$(rss_kb "$pid")
    kill -TERM "$pid" 2>/dev/null
    wait "$prog"
    status=$?
    sleep 1.3 # one more status line from the simulator, with the final count
    kill -TERM "$sim" 2>/dev/null
    wait "$sim" 2>/dev/null
    sent=$(grep -o 'replies [0-9]*' "$dir/sim.log" | tail -1 | awk '{print $2}')
    recorded=$(record_count "$dir/soak.31l")
    problems=()
    conns=$(grep -o 'connections [0-9]*' "$dir/sim.log" | tail -1 | awk '{print $2}')
    [ "$status" -eq 0 ] || problems+=("exit status $status")
    grep -q '^IP Address=127.0.0.1' "$dir/TubescanL.INI" || problems+=("settings file damaged")
    [ "$recorded" -gt "$grown_at" ] || problems+=("link did not recover ($grown_at -> $recorded records)")
    if [ -z "$sent" ] || [ "$recorded" -gt "$sent" ] || [ "$recorded" -lt $((sent - 2)) ]; then
        problems+=("recorded $recorded of ${sent:-?} replies")
    fi
    if [ "$rss_early" -gt 0 ] && [ "$rss_late" -gt $((rss_early + 4096)) ]; then
        problems+=("memory grew ${rss_early} -> ${rss_late} kB")
    fi
    # Only this program may have talked to this simulator (one connection,
    # more where the mode closes it or goes silent).
    case "$name" in close|silence|all) ;; *) [ "${conns:-0}" -le 1 ] || problems+=("$conns connections to the simulator: another program answered") ;; esac
    if [ ${#problems[@]} -eq 0 ]; then
        passed=$((passed + 1))
        printf 'soak: %-14s ok      replies %s, recorded %s, memory %s -> %s kB\n' \
            "$name" "$sent" "$recorded" "$rss_early" "$rss_late"
    else
        failed=$((failed + 1))
        printf 'soak: %-14s FAILED  %s (see %s)\n' "$name" "$(IFS=';'; echo "${problems[*]}")" "$dir"
    fi
done
echo "soak: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
