#!/usr/bin/env bash
# The Japanese translation source covers every text of the code and leaves
# none unfinished: lupdate into a scratch copy must find nothing new and
# understand every tr() call, and lrelease must report no unfinished entry.
#   translation_source_test.sh <lupdate> <lrelease> <source dir> <ts file>
set -euo pipefail
lupdate=$1 lrelease=$2 source_dir=$3 ts=$4
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$ts" "$scratch/check.ts"

scan=$(cd "$source_dir" && "$lupdate" -no-obsolete -locations none src -ts "$scratch/check.ts" 2>&1)
if grep -q "cannot be called without context\|Discarding unconsumed\|Cannot invoke tr()" <<<"$scan"; then
    echo "Texts that never reach the translation:"; echo "$scan"; exit 1
fi
if ! grep -q "(0 new and" <<<"$scan"; then
    echo "Texts missing from $ts (run the update_translations target and translate them):"; echo "$scan"; exit 1
fi
release=$("$lrelease" "$ts" -qm "$scratch/check.qm" 2>&1)
if ! grep -q " 0 unfinished" <<<"$release"; then
    echo "Unfinished translations:"; echo "$release"; exit 1
fi
echo "$release"
