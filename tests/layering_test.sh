#!/bin/sh
# Each folder includes only itself and the folders before it in the README's
# line "`engine` <- `audio` <- ...": lists every include that points later.
set -eu
root=$1
order=$(grep -m1 '^`engine` ←' "$root/README.md" | tr -d '`' | sed 's/ ← / /g; s/\.$//')
[ -n "$order" ] || { echo "FAIL: no folder order in README.md"; exit 1; }
bad=0
rank=0
for folder in $order; do
  rank=$((rank + 1))
  later=$(echo "$order" | tr ' ' '\n' | tail -n +$((rank + 1)) | paste -sd'|')
  [ -n "$later" ] || continue
  if grep -rnE "^#include \"($later)/" "$root/$folder"; then
    echo "FAIL: $folder/ includes a folder after it ($later)"
    bad=1
  fi
done
exit $bad
