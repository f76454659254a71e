#!/usr/bin/env bash
# Builds the Debian package from the existing build folder and checks it as a
# user would meet it: lintian, the desktop entry, the AppStream metainfo, the
# three programs and their manual pages run from the unpacked package, and the
# settings file landing in the user's folder when the program folder is not
# writable. Ends with one summary line; exit status 1 when a check failed.
#
#   scripts/package-check.sh [BUILD_DIR]     (default: build)
set -uo pipefail
cd "$(dirname "$0")/.."
export TUBESCAN_LOOPBACK_ONLY=1
build="${1:-build}"

failed=0
passed=0
scratch="$(mktemp -d)"
sim_pid=""
cleanup() {
    if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
        kill -TERM "$sim_pid" 2>/dev/null
        wait "$sim_pid" 2>/dev/null
    fi
    chmod -R u+w "$scratch" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

# check NAME COMMAND...: runs the command, shows its output only when it fails.
check() {
    local name="$1"
    shift
    if "$@" > "$scratch/log" 2>&1; then
        echo "package-check: ok    $name"
        passed=$((passed + 1))
    else
        echo "package-check: FAIL  $name"
        sed 's/^/    /' "$scratch/log"
        failed=$((failed + 1))
    fi
}

# --- build the package --------------------------------------------------------
cmake --build "$build" -j2 --target tubescan tubescan-sim tubescan-convert tubescan_packaging \
    > "$scratch/build.log" 2>&1 || { cat "$scratch/build.log"; exit 1; }
rm -f "$build"/tubescan_*.deb
if ! (cd "$build" && cpack -G DEB) > "$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log"
    echo "package-check: the package could not be built"
    exit 1
fi
deb="$(ls "$build"/tubescan_*.deb)"
echo "package-check: built $deb"

check "package has a dependency on the Qt libraries" \
    sh -c "dpkg-deb -f '$deb' Depends | grep -q libqt6widgets6"
check "package has a dependency on the PROJ library and its data" \
    sh -c "dpkg-deb -f '$deb' Depends | grep -q 'libproj[0-9]' && dpkg-deb -f '$deb' Depends | grep -q proj-data"
# Warnings are shown but only errors fail.
check "lintian reports no errors" \
    lintian --fail-on error "$deb"
[ -s "$scratch/log" ] && sed 's/^/    /' "$scratch/log"

# --- the unpacked package -----------------------------------------------------
root="$scratch/root"
dpkg -x "$deb" "$root"
chmod 755 "$scratch"
bin="$root/usr/bin"
share="$root/usr/share"
desktop=("$share"/applications/*.desktop)
metainfo=("$share"/metainfo/*.metainfo.xml)

check "desktop-file-validate" desktop-file-validate "${desktop[@]}"
check "appstreamcli validate" appstreamcli validate --no-net "${metainfo[@]}"
icon="$(sed -n 's/^Icon=//p' "${desktop[0]}")"
check "icon $icon in hicolor (SVG and 48 px)" \
    test -s "$share/icons/hicolor/scalable/apps/$icon.svg" -a \
    -s "$share/icons/hicolor/48x48/apps/$icon.png"
check "tubescan-convert --version" sh -c "'$bin/tubescan-convert' --version | grep -q '^tubescan-convert [0-9]'"
# The report module is found in the package's library folder: the converter
# goes on to the (missing) recording instead of refusing to draw reports.
check "tubescan-convert --report loads its module" sh -c \
    "out=\$('$bin/tubescan-convert' --report '$scratch/none.31l' 2>&1); echo \"\$out\"; \
     ! echo \"\$out\" | grep -q 'cannot draw reports' && echo \"\$out\" | grep -q 'none.31l'"
check "tubescan-sim --help" sh -c "'$bin/tubescan-sim' --help | grep -q -- --port"
check "tubescan --help" \
    env QT_QPA_PLATFORM=offscreen sh -c "'$bin/tubescan' --help | grep -q -- --version"
for page in "$share"/man/man1/*.1.gz; do
    # Any groff warning (bad macro, unknown escape) counts as a failure.
    check "man -l $(basename "$page")" sh -c \
        "out=\$(MANWIDTH=80 man --warnings -l '$page' 2>&1 >/dev/null); [ -z \"\$out\" ] || { echo \"\$out\"; exit 1; }"
done

# --- settings fallback --------------------------------------------------------
# As an ordinary user the unpacked program folder is not writable, so the
# settings file is the user's own. That file points everything at loopback
# before the program starts; the head is the bundled simulator.
user_home="$scratch/home"
config="$user_home/.config/TubescanL"
mkdir -p "$config"
printf '%s\r\n' '[System Settings]' 'IP Address=127.0.0.1' 'Output UDP Address=127.0.0.1' \
    'Enable UDP Output XYZ=0' 'Enable UDP Output PRD=0' 'SettingsDlgVisible=0' \
    'Diagnostics Visible=0' > "$config/TubescanL.INI"
# Root may write anywhere: the program then runs as "nobody".
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chown -R 65534:65534 "$user_home"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
    chmod a-w "$bin"
fi
"$bin/tubescan-sim" --address 127.0.0.1 > "$scratch/sim.log" 2>&1 &
sim_pid=$!
settings_fallback() {
    local out="$scratch/program.out" pid
    "${as_user[@]}" env -u XDG_CONFIG_HOME HOME="$user_home" QT_QPA_PLATFORM=offscreen \
        TUBESCAN_LOOPBACK_ONLY=1 "$bin/tubescan" > "$out" 2>&1 &
    pid=$!
    for _ in $(seq 100); do
        grep -q "settings file" "$out" && break
        sleep 0.1
    done
    kill -TERM "$pid" 2>/dev/null
    wait "$pid"
    local status=$?
    cat "$out"
    [ "$status" -eq 0 ] || { echo "exit status $status"; return 1; }
    grep -q "settings file $config/TubescanL.INI" "$out" || return 1
    grep -q "^Zoom=" "$config/TubescanL.INI" || { echo "settings not saved"; return 1; }
    [ ! -e "$bin/TubescanL.INI" ] || { echo "a settings file beside the program"; return 1; }
}
check "settings fall back to ~/.config/TubescanL (unwritable program folder)" settings_fallback

total=$((passed + failed))
if [ "$failed" -eq 0 ]; then
    echo "package-check: all $total checks passed ($(basename "$deb"))"
else
    echo "package-check: $failed of $total checks FAILED ($(basename "$deb"))"
    exit 1
fi
