#!/usr/bin/env bash
# Installs every Debian 12 package that the build, the tests, the demo and
# the Debian package (scripts/package.sh and its check) need. Does nothing
# when all of them are already there. Run as root.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qtbase5-dev libqt5svg5-dev qttools5-dev qttools5-dev-tools
    libquazip1-qt5-dev zlib1g-dev qttranslations5-l10n libqt5sql5-sqlite
    qt6-base-dev qt6-svg-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
    qt6-translations-l10n libquazip1-qt6-dev libgl-dev libqt6sql6-sqlite
    xvfb xauth imagemagick x11-apps xdotool fonts-ipafont-gothic
    dbus-daemon iproute2 python3 procps xdg-utils gcovr curl unzip
    dpkg-dev lintian desktop-file-utils appstream file
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then SUDO=sudo; else
        echo "install-deps: run as root to install: ${missing[*]}" >&2; exit 1
    fi
else
    SUDO=
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
