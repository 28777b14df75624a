#!/bin/sh
# Installs the build into a scratch prefix and checks what a desktop finds
# there: both programs, a valid desktop entry for each that names an installed
# program and the installed icon, valid AppStream metainfo launching both, an
# SVG icon, and each installed program's window known by its entry: WM_CLASS
# (name and class) the entry's name and its StartupWMClass.
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
# Each program's window, in a private display and sound server, as a dock
# matches it to its entry.
cat > "$prefix/wm_class.sh" <<'SH'
"$1" &
pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Sonavel' | head -n 1)
[ -n "$window" ] && xprop -id "$window" WM_CLASS
kill -0 "$pid" 2>/dev/null || echo "the program had ended"
kill "$pid"
wait "$pid" 2>/dev/null || true
SH
for entry in org.sonavel.Sonavel org.sonavel.SonavelPortAudio; do
  exec_name=$(sed -n 's/^Exec=//p' "$apps/$entry.desktop")
  wm_class=$(sed -n 's/^StartupWMClass=//p' "$apps/$entry.desktop")
  [ "$wm_class" = "$entry" ] || fail "$entry.desktop: StartupWMClass is '$wm_class'"
  said=$(env -u DISPLAY "$build/tests/tools/private_session" -- sh "$prefix/wm_class.sh" \
         "$prefix/bin/$exec_name" 2>&1 || true)
  seen=$(echo "$said" | grep '^WM_CLASS' || true)
  [ "$seen" = "WM_CLASS(STRING) = \"$entry\", \"$entry\"" ] ||
    fail "$exec_name's window: '$seen', its entry: $entry; the session said: $said"
done

echo "installed and valid: 2 programs, 2 desktop entries, metainfo, icon, WM_CLASS"
