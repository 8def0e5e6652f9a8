#!/usr/bin/env bash
# Configures and builds one configuration into build/<config>.
#   config: qt5 (default), qt6, asan (Qt 5 with Address/UB sanitizers) or
#   coverage (Qt 5 instrumented for gcov)
set -euo pipefail
cd "$(dirname "$0")/.."
config=${1:-qt5}
extra=()
case "$config" in
    qt5) ;;
    qt6) extra+=(-DVDFU_QT6=ON) ;;
    asan) extra+=(-DVDFU_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug) ;;
    coverage) extra+=(-DVDFU_COVERAGE=ON -DCMAKE_BUILD_TYPE=Debug) ;;
    *) echo "build.sh: unknown configuration '$config' (qt5, qt6, asan, coverage)" >&2; exit 2 ;;
esac
werror=OFF
[ -n "${CI:-}" ] && werror=ON
cmake -S . -B "build/$config" -G Ninja -DVDFU_WERROR=$werror "${extra[@]}" >/dev/null
cmake --build "build/$config" --parallel "$(nproc)"
