#!/usr/bin/env bash
# Builds the Debian package into build/package: installs what is missing, makes
# a Release build of the application alone (no tools, tests or benchmarks)
# with Debian's hardening flags, and runs CPack. The last line printed is the
# path of the .deb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

werror=OFF
[ -n "${CI:-}" ] && werror=ON
# The flags Debian builds its own packages with (stack protector, fortified
# functions, read-only relocations, immediate binding), less the debug
# information that stripping would drop anyway.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS | sed 's/\(^\| \)-g\( \|$\)/ /')"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DVDFU_BUILD_TOOLS=OFF \
    -DVDFU_WERROR=$werror -DCMAKE_CXX_FLAGS="$CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" >/dev/null
cmake --build build/package --parallel "$(nproc)"
rm -f build/package/*.deb
(cd build/package && cpack >&2)
ls build/package/*.deb
