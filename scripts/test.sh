#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
#   scripts/test.sh [qt5|qt6|asan|coverage|package ...]   (default: qt5)
# The coverage configuration also writes a line-coverage report of src/ to
# build/coverage/coverage.txt (and coverage.html beside it). The package
# configuration builds the Debian package (scripts/package.sh) and checks it
# as one test (tests/package/check_package.sh).
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1
export QT_QPA_PLATFORM=offscreen
configs=("$@")
[ ${#configs[@]} -eq 0 ] && configs=(qt5)

passed=0; failed=0; status=0
for config in "${configs[@]}"; do
    echo "=== Building and testing: $config"
    if [ "$config" = package ]; then
        log=$(mktemp)
        if scripts/package.sh | tee "$log" && tests/package/check_package.sh "$(tail -n1 "$log")"; then
            passed=$((passed + 1)); else status=1; failed=$((failed + 1)); fi
        rm -f "$log"
        continue
    fi
    # Counters of objects that a change of the sources left behind would
    # mix into the report: coverage always builds afresh.
    [ "$config" = coverage ] && rm -rf "build/$config"
    if ! scripts/build.sh "$config"; then
        echo "=== Build failed: $config"; status=1; failed=$((failed + 1)); continue
    fi
    log=$(mktemp)
    ctest --test-dir "build/$config" --output-on-failure --timeout 300 | tee "$log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
    total=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2/p' "$log" | tail -n1)
    bad=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n1)
    if [ -z "$total" ]; then status=1; failed=$((failed + 1)); else
        passed=$((passed + total - bad)); failed=$((failed + bad)); fi
    rm -f "$log"
    [ "$config" = coverage ] && scripts/coverage-report.sh "build/$config"
done
echo "$passed passed, $failed failed"
exit $status
