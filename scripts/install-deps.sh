#!/usr/bin/env bash
# Installs everything TubescanL needs to build, test and run from Debian's packages.
# Idempotent: packages already present are skipped, and apt is only consulted when
# something is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev qt6-image-formats-plugins libgl-dev
    libgif-dev fonts-liberation fontconfig
    libproj-dev proj-data
    libgtest-dev libgmock-dev libbenchmark-dev
    clang clang-format libclang-rt-dev
    xvfb xauth imagemagick socat
    dbus-daemon at-spi2-core systemd
    python3-open3d poppler-utils nodejs proj-bin gdal-bin
    qt6-declarative-dev qt6-quick3d-dev qt6-shadertools-dev libqt6quickwidgets6 qml6-module-qtquick qml6-module-quick3d
    qml6-module-qtqml qml6-module-qtqml-workerscript qml6-module-qtquick-window libgl1-mesa-dri
    help2man librsvg2-bin dpkg-dev file man-db lintian desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

# The LAS tests read our files with an npm package under Node; Debian's npm
# is needed only where the Node package does not bring its own.
if ! command -v npm >/dev/null 2>&1; then missing+=(npm); fi

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all ${#packages[@]} packages present"
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
