#!/usr/bin/env bash
# Installs what is missing, builds the application and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh qt5
exec build/qt5/bin/VantorDisplayFirmwareUpdateTool "$@"
