#!/usr/bin/env bash
# Line coverage of src/ from a build made with the coverage configuration,
# after its tests ran: prints the summary, writes coverage.txt and
# coverage.html into the build folder.
#   scripts/coverage-report.sh [build/coverage]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/coverage}
gcovr --root . --filter 'src/' --exclude '.*_autogen/.*' \
    --gcov-ignore-parse-errors --print-summary \
    --txt "$build/coverage.txt" --html "$build/coverage.html" "$build" \
    | grep -E '^(lines|functions|branches):'
