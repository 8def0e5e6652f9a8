#!/usr/bin/env bash
# Checks a built Debian package as dpkg would install it: unpacks it into a
# scratch root and checks that the desktop entry and AppStream metadata are
# valid, that the entry's program and icon are there, that the README files lie
# where the program looks for them once installed, that the entry's id is the
# one the program announces, that the command line vdfu runs and has its
# manual page, that the systemd units of the nightly update are valid and
# start the packaged vdfu, and that lintian finds no errors.
#   tests/package/check_package.sh build/package/<package>.deb
set -uo pipefail
[ $# -eq 1 ] && [ -f "$1" ] || { echo "usage: $0 PACKAGE.deb" >&2; exit 2; }
deb=$1
src=$(cd "$(dirname "$0")/../.." && pwd)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root" || exit 1

failures=0
fail() { echo "check_package: $*" >&2; failures=$((failures + 1)); }
# A string constant of the application's identity (src/app/appinfo.h).
constant() { sed -n "s/.*k$1\[\] = \"\([^\"]*\)\".*/\1/p" "$src/src/app/appinfo.h"; }
id=$(constant DesktopFileId)
package=$(constant PackageName)
desktop=$root/usr/share/applications/$id.desktop
metainfo=$root/usr/share/metainfo/$id.metainfo.xml
entry() { sed -n "s/^$1=//p" "$desktop"; }

grep -q 'setDesktopFileName(QLatin1String(AppInfo::kDesktopFileId))' "$src/src/app/main.cpp" \
    || fail "main.cpp does not announce AppInfo::kDesktopFileId as its desktop file name"
if [ -f "$desktop" ]; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate found problems"
else
    fail "no desktop entry $id.desktop"
fi
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli found problems"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" \
    || fail "the AppStream metadata does not launch $id.desktop"

program=$(entry Exec | cut -d' ' -f1)
[ -n "$program" ] && [ -x "$root/usr/bin/$program" ] || fail "Exec program '$program' is not in /usr/bin"
icon=$(entry Icon)
[ "$icon" = "$id" ] || fail "Icon '$icon' is not the desktop id"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon.svg"
for size in 16 22 24 32 48 64 128 256; do
    file "$root/usr/share/icons/hicolor/${size}x$size/apps/$icon.png" | grep -q "PNG image data, $size x $size," \
        || fail "no ${size}x$size icon $icon.png"
done
# InstallLayout::readmeFolder: <bindir>/../share/<package> beside an installed program.
for readme in ReadMe.html ReadMe_ja.html; do
    [ -f "$root/usr/bin/../share/$package/$readme" ] || fail "no $readme in /usr/share/$package"
done

[ -x "$root/usr/bin/vdfu" ] || fail "no /usr/bin/vdfu"
"$root/usr/bin/vdfu" --version | grep -qF "$(constant ApplicationVersion)" || fail "vdfu --version does not name the version"
[ -f "$root/usr/share/man/man1/vdfu.1.gz" ] || fail "no manual page vdfu.1"
units=$root/verified-units
mkdir -p "$units"
for unit in vdfu-update.service vdfu-update.timer; do
    [ -f "$root/usr/lib/systemd/user/$unit" ] || { fail "no systemd user unit $unit"; continue; }
    # Verified with the program the package ships, wherever it lies now.
    sed "s|^ExecStart=/usr/bin/|ExecStart=$root/usr/bin/|" "$root/usr/lib/systemd/user/$unit" > "$units/$unit"
done
grep -q '^ExecStart=/usr/bin/vdfu update --all --yes' "$root/usr/lib/systemd/user/vdfu-update.service" \
    || fail "vdfu-update.service does not run vdfu update --all --yes"
problems=$(systemd-analyze verify --man=no "$units"/* 2>&1) && [ -z "$problems" ] || fail "systemd-analyze: $problems"

report=$(lintian "$deb" 2>&1)
echo "$report"
! grep -q '^E:' <<<"$report" || fail "lintian reports errors"

if [ $failures -gt 0 ]; then echo "check_package: $failures problem(s)" >&2; exit 1; fi
echo "check_package: $(basename "$deb") passed"
