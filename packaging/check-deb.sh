#!/bin/sh
# Builds the Debian package from a configured and built tree and checks that it installs
# something that runs: declared dependencies, the desktop files, manual pages, and a
# kelvara-db that starts from the unpacked package alone. Then lintian: any error or
# warning fails.
#   usage: packaging/check-deb.sh BUILD_DIR
set -eu

if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
build=$(CDPATH= cd -- "$1" && pwd)
here=$(CDPATH= cd -- "$(dirname -- "$0")" && pwd)

fail() {
    echo "check-deb: $*" >&2
    exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

cmake --build "$build" -j2 >/dev/null || fail "the build in $build fails"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack failed"; }

set -- "$work"/out/kelvara_*.deb
[ -f "$1" ] || fail "cpack made no kelvara .deb"
deb=$1
echo "package: $(basename "$deb")"

info=$(dpkg-deb -I "$deb")
echo "$info" | grep -q '^ Depends: .' || { echo "$info" >&2; fail "the package declares no Depends"; }
echo "$info" | grep '^ Depends:'

root="$work/root"
dpkg -x "$deb" "$root"
for f in usr/bin/kelvara-db usr/bin/kelvara-launcher \
         usr/share/applications/org.kelvara.Kelvara.desktop \
         usr/share/metainfo/org.kelvara.Kelvara.metainfo.xml \
         usr/share/doc/kelvara/copyright usr/share/doc/kelvara/changelog.Debian.gz \
         usr/share/man/man1/kelvara-db.1.gz usr/share/man/man1/kelvara-launcher.1.gz; do
    [ -f "$root/$f" ] || fail "$f is missing from the package"
done
[ -x "$root/usr/bin/kelvara-launcher" ] || fail "kelvara-launcher is not executable"
# Icons drawn in res/art must reach the icon theme under the application id.
if [ -f "$here/../res/art/icon-48.png" ]; then
    [ -f "$root/usr/share/icons/hicolor/48x48/apps/org.kelvara.Kelvara.png" ] ||
        fail "the 48x48 icon is missing from the package"
fi
if [ -f "$here/../res/art/kelvara-icon.svg" ]; then
    [ -f "$root/usr/share/icons/hicolor/scalable/apps/org.kelvara.Kelvara.svg" ] ||
        fail "the scalable icon is missing from the package"
fi

env -u LD_LIBRARY_PATH "$root/usr/bin/kelvara-db" --help >/dev/null ||
    fail "the packaged kelvara-db does not run"
# The schema is compiled in: a catalogue made by the packaged tool alone must be sound.
env -u LD_LIBRARY_PATH "$root/usr/bin/kelvara-db" init --sample "$work/sample.db" >/dev/null ||
    fail "the packaged kelvara-db cannot create a catalogue"
env -u LD_LIBRARY_PATH "$root/usr/bin/kelvara-db" check "$work/sample.db" >/dev/null ||
    fail "the catalogue made by the packaged kelvara-db does not pass check"

if command -v appstreamcli >/dev/null 2>&1; then
    appstreamcli validate --no-net \
        "$root/usr/share/metainfo/org.kelvara.Kelvara.metainfo.xml" >/dev/null ||
        fail "the metainfo does not validate"
fi
if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$root/usr/share/applications/org.kelvara.Kelvara.desktop" ||
        fail "the desktop entry does not validate"
fi
if [ ! -f "$root/usr/bin/kelvara" ]; then
    echo "note: the package holds no kelvara program yet (app/ defines no target)"
fi
command -v lintian >/dev/null 2>&1 || fail "lintian is not installed (apt-get install lintian)"
# Pedantic and informational tags are shown too; errors and warnings fail the check.
lintian --pedantic --info --tag-display-limit 0 --fail-on error,warning "$deb" \
    2>"$work/lintian.err" | tee "$work/lintian.out" ||
    { cat "$work/lintian.err" >&2; fail "lintian found errors or warnings"; }
grep -q '^[EW]: ' "$work/lintian.out" && fail "lintian found errors or warnings"
echo "lintian: no errors, no warnings ($(grep -c '^[IPX]: ' "$work/lintian.out" || true) other tags)"
echo "check-deb: ok"
