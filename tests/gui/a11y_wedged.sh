#!/usr/bin/env bash
# Run inside a private session bus and X server (dbus-run-session, xvfb-run -a):
# puts a wedged accessibility service on the session bus (it owns the name and
# never answers), starts the program, asks it to end with SIGTERM once its
# window has had time to come up, and says how it went: "ended <status>" or
# "ignored SIGTERM" (then killed). The program's stderr is passed through.
#   a11y_wedged.sh WEDGED_SERVICE PROGRAM [ARGS...]
set -u
"$1" >/dev/null &
service_pid=$!
shift
pid=""
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    kill "$service_pid" 2>/dev/null
}
trap cleanup EXIT

deadline=$((SECONDS + 30))
until busctl --user call org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus \
    NameHasOwner s org.a11y.Bus 2>/dev/null | grep -q true; do
    [ $SECONDS -lt $deadline ] || { echo "the wedged service never came up"; exit 2; }
    sleep 0.1
done

# As a desktop session starts it: no address given, accessibility not forced.
# Under AddressSanitizer the leak check is off for this run: what is asked
# here is whether it starts and ends, and Qt's bridge keeps a few bytes from
# its failed connection to the refused bus address, in a library LeakSanitizer
# cannot name at exit (so no suppression can match it).
env -u AT_SPI_BUS_ADDRESS -u QT_LINUX_ACCESSIBILITY_ALWAYS_ON QT_QPA_PLATFORM=xcb \
    ${ASAN_OPTIONS+ASAN_OPTIONS="$ASAN_OPTIONS detect_leaks=0"} "$@" &
pid=$!
# Long enough for the window to come up on a loaded machine, far short of the
# 25 s Qt's bridge waits per unanswered call.
sleep 6
kill -TERM "$pid" 2>/dev/null
# A few seconds to save the settings and close.
for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
    echo "ignored SIGTERM"
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
else
    wait "$pid"
    echo "ended $?"
fi
pid=""
