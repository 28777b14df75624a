#!/bin/sh
# Each folder includes only itself and the folders that the README's table
# "| folder | may include |" allows it: lists every include of another
# folder that the table does not allow.
set -eu
root=$1
table=$(awk '/^\| folder \| may include \|$/ {on = 1; next} on && /^\|---/ {next}
             on && /^\|/ {print; next} on {exit}' "$root/README.md" | tr -d '`')
[ -n "$table" ] || { echo "FAIL: no table of allowed includes in README.md"; exit 1; }
folders=$(echo "$table" | awk -F'|' '{gsub(/ /, "", $2); print $2}')
bad=0
for folder in $folders; do
  allowed=$(echo "$table" | awk -F'|' -v f="$folder" '{gsub(/ /, "", $2)} $2 == f {print $3}' |
            tr -d ' ' | tr ',' ' ')
  for other in $folders; do
    [ "$other" = "$folder" ] && continue
    case " $allowed " in *" $other "*) continue ;; esac
    if grep -rnE "^#include \"$other/" "$root/$folder"; then
      echo "FAIL: $folder/ includes $other/, which the README's table does not allow it"
      bad=1
    fi
  done
done
[ "$(echo "$folders" | wc -w)" -eq 6 ] || { echo "FAIL: the table names $(echo $folders)"; exit 1; }
exit $bad
