#!/usr/bin/env bash
# Run inside a private session bus and X server (dbus-run-session, xvfb-run -a):
# starts the accessibility bus, the given program with accessibility on, and
# asks the program's root accessible what a screen reader asks. Prints one
# line per question and ends with "alive" or "died <status>".
# The program finds that accessibility bus through the private session bus
# and X server alone: no bus named by the caller's environment (another
# session's, busy with other programs) can take its place. The waits are
# deadlines, long enough for a machine under load.
#   a11y_getall.sh PROGRAM [ARGS...]
set -u
launcher=${AT_SPI_BUS_LAUNCHER:-/usr/libexec/at-spi-bus-launcher}
"$launcher" --launch-immediately &
launcher_pid=$!
pid=""
# Ends the program: SIGTERM, which it answers by saving its settings and
# closing, then SIGKILL if it has not gone by the deadline (a main thread
# blocked in a bus call cannot answer; Qt's own bus calls give up after
# 25 s). Says so when it had to, so no program outlives the test unseen.
stop_program() {
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null
    local waited=$((SECONDS + 40))
    while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $waited ]; do sleep 0.2; done
    if kill -0 "$pid" 2>/dev/null; then
        echo "ignored SIGTERM for 40 s: killed"
        kill -KILL "$pid" 2>/dev/null
    fi
    wait "$pid" 2>/dev/null
    pid=""
}
cleanup() {
    stop_program
    kill "$launcher_pid" 2>/dev/null
}
trap cleanup EXIT

bus=""
deadline=$((SECONDS + 30))
while [ $SECONDS -lt $deadline ]; do
    bus=$(busctl --user call org.a11y.Bus /org/a11y/bus org.a11y.Bus GetAddress 2>/dev/null |
        sed -n 's/^s "\(.*\)"$/\1/p')
    [ -n "$bus" ] && break
    sleep 0.1
done
[ -n "$bus" ] || { echo "no accessibility bus"; exit 2; }

# Without an inherited address: Qt would take it over the bus of this private
# session and X server (and Qt 6.4 then never registers at all).
env -u AT_SPI_BUS_ADDRESS QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$@" &
pid=$!

# The program's connection on the accessibility bus, once its root answers.
name=""
root=/org/a11y/atspi/accessible/root
deadline=$((SECONDS + 60))
while [ $SECONDS -lt $deadline ]; do
    name=$(busctl --address="$bus" list --no-pager --no-legend 2>/dev/null |
        awk -v p="$pid" '$2 == p && $1 ~ /^:/ {print $1; exit}')
    if [ -n "$name" ] &&
        busctl --address="$bus" call "$name" $root org.freedesktop.DBus.Properties Get ss \
            org.a11y.atspi.Accessible Name >/dev/null 2>&1; then
        break
    fi
    name=""
    sleep 0.1
done
[ -n "$name" ] || { echo "program never answered on the accessibility bus"; exit 2; }
# The guard takes hold of the bridge on a 100 ms check after the bridge
# appears; a question in that window would reach the bridge unguarded.
sleep 0.5

ask() { echo "$1: $(busctl --address="$bus" call "$name" "${@:2}" 2>&1 | head -c 300)"; }
ask getall $root org.freedesktop.DBus.Properties GetAll s org.a11y.atspi.Accessible
ask getall-component $root org.freedesktop.DBus.Properties GetAll s org.a11y.atspi.Component
ask get-short $root org.freedesktop.DBus.Properties Get s org.a11y.atspi.Accessible
ask name $root org.freedesktop.DBus.Properties Get ss org.a11y.atspi.Accessible Name
ask children $root org.freedesktop.DBus.Properties Get ss org.a11y.atspi.Accessible ChildCount
ask role $root org.a11y.atspi.Accessible GetRoleName
sleep 0.5
if kill -0 "$pid" 2>/dev/null; then
    echo alive
    stop_program
else
    wait "$pid"
    echo "died $?"
    pid=""
fi
