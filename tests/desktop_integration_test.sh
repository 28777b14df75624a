#!/bin/sh
# Installs the build into a scratch prefix and checks what a desktop finds
# there: both programs, a valid desktop entry for each that names an installed
# program and the installed icon, valid AppStream metainfo launching both, and
# an SVG icon.
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
apps=$prefix/share/applications
for entry in org.sonavel.Sonavel.desktop org.sonavel.SonavelPortAudio.desktop; do
  [ -f "$apps/$entry" ] || fail "$entry not installed"
  desktop-file-validate "$apps/$entry" || fail "$entry does not validate"
  exec_name=$(sed -n 's/^Exec=//p' "$apps/$entry")
  [ -x "$prefix/bin/$exec_name" ] || fail "$entry runs $exec_name, which is not installed"
  icon=$(sed -n 's/^Icon=//p' "$apps/$entry")
  [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "$entry: no icon $icon"
  grep -q "<launchable type=\"desktop-id\">$entry</launchable>" \
    "$prefix/share/metainfo/org.sonavel.Sonavel.metainfo.xml" || fail "metainfo does not launch $entry"
done
appstreamcli validate --no-net "$prefix/share/metainfo/org.sonavel.Sonavel.metainfo.xml" \
  || fail "metainfo does not validate"
head -c 200 "$prefix/share/icons/hicolor/scalable/apps/org.sonavel.Sonavel.svg" | grep -q '<svg' \
  || fail "the icon is not an SVG"
echo "installed and valid: 2 programs, 2 desktop entries, metainfo, icon"
