#!/usr/bin/env bash
# The Debian package as a listener gets it: built, clean under lintian,
# installed with apt-get (which pulls its dependencies), each installed
# program playing its burst through the same headless check as scripts/run,
# the desktop files where the desktop looks for them, and nothing left after
# apt-get remove. A machine that already has Sonavel installed is left alone.
set -euo pipefail
root=$1
build=$2
fail() { echo "FAIL: $*"; exit 1; }

if dpkg-query -W -f='${Status}' sonavel 2>/dev/null | grep -q 'installed' ||
   [ -e /usr/bin/sonavel ] || [ -e /usr/bin/sonavel_pa ]; then
  echo "SKIP: Sonavel is already installed here; this test does not overwrite it"
  exit 77
fi
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo -n); fi

rm -f "$build"/sonavel_*.deb
cmake --build "$build" --target package >/dev/null || fail "the package did not build"
debs=("$build"/sonavel_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "not one package in $build: ${debs[*]}"
deb=${debs[0]}
echo "built $(basename "$deb")"
report=$(lintian --fail-on error,warning "$deb" 2>&1) ||
  fail "lintian reports errors or warnings: $report"

export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get install -y -qq "$deb" >/dev/null || fail "apt-get install failed"
trap '"${sudo[@]}" apt-get remove -y -qq sonavel >/dev/null 2>&1 || true' EXIT
files=$(dpkg -L sonavel)

# The version is the project's, in the package and in the AppStream release.
version=$(dpkg-query -W -f='${Version}' sonavel)
release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' /usr/share/metainfo/org.sonavel.Sonavel.metainfo.xml)
[ "$version" = "$release-1" ] || fail "package $version, AppStream release $release"

for program in sonavel sonavel_pa; do
  out=$(cd "$root" && env -u DISPLAY -u WAYLAND_DISPLAY scripts/run --installed "$program" 2>&1) ||
    fail "$program: the headless check failed: $out"
  echo "$out" | grep -q '^frequency: *1000.00 Hz$' || fail "$program: not 1000 Hz: $out"
  echo "$out" | grep -q '^peak level: *-30.00 dBFS$' || fail "$program: not -30 dBFS: $out"
  echo "$out" | grep -q '^saved levels, the 1000 Hz row: 1000,-30,yes$' || fail "$program: $out"
  echo "installed $program played 1000 Hz at -30 dBFS"
done

for entry in org.sonavel.Sonavel org.sonavel.SonavelPortAudio; do
  desktop-file-validate "/usr/share/applications/$entry.desktop" || fail "$entry does not validate"
done
appstreamcli validate --no-net /usr/share/metainfo/org.sonavel.Sonavel.metainfo.xml >/dev/null ||
  fail "the metainfo does not validate"
[ -f /usr/share/icons/hicolor/scalable/apps/org.sonavel.Sonavel.svg ] || fail "no icon under hicolor"
for page in sonavel sonavel_pa; do
  [ -f "/usr/share/man/man1/$page.1.gz" ] || fail "no manual page for $page"
done

"${sudo[@]}" apt-get remove -y -qq sonavel >/dev/null || fail "apt-get remove failed"
trap - EXIT
if dpkg-query -W -f='${Status}' sonavel 2>/dev/null | grep -q 'ok installed'; then
  fail "still installed"
fi
left=$(while read -r f; do if [ -f "$f" ]; then echo "$f"; fi; done <<<"$files")
[ -z "$left" ] || fail "left after removal: $left"
echo "removed: none of its $(echo "$files" | wc -l) paths' files is left"
