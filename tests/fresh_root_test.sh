#!/usr/bin/env bash
# The README's commands on a machine that has nothing yet: a minimal root of
# the host's own Debian release, made with debootstrap, entered with
# chroot, with the committed tree (git archive HEAD) in it.
#  - bare: scripts/run, headless, must print what the README shows and
#    nothing on standard error;
#  - with the test libraries (GoogleTest and Google Benchmark, as this
#    project's machines come): the same, and then scripts/install-deps and a
#    configure with tests and benchmarks on must succeed.
# The base root is kept as a tarball in the cache folder and made again when
# it is a week old; the roots share one folder of downloaded packages there.
# Needs root and the package registry: without either it says so and skips.
# Usage: fresh_root_test.sh SOURCE-DIR WORK-DIR
set -uo pipefail
source_dir=$1
work=$2
fail() { echo "FAIL: $*"; exit 1; }
skip() { echo "SKIP: $*"; exit 77; }

[ "$(id -u)" -eq 0 ] || skip "making and entering a root needs root"
command -v debootstrap >/dev/null || skip "no debootstrap (scripts/install-deps test installs it)"
. /etc/os-release
codename=${VERSION_CODENAME:-}
[ -n "$codename" ] && [ "${ID:-}" = debian ] || skip "not a Debian machine"
arch=$(dpkg --print-architecture)
# The mirror the host installs from, for the root to install from too.
mirror=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
         awk '$1 == "URIs:" && $2 !~ /security/ {print $2; exit}')
[ -n "$mirror" ] || mirror=$(awk '$1 == "deb" && $2 !~ /security/ {print $2; exit}' \
                             /etc/apt/sources.list 2>/dev/null)
mirror=${mirror:-http://deb.debian.org/debian}

cache=${XDG_CACHE_HOME:-$HOME/.cache}/sonavel
base=$cache/fresh-root-$codename-$arch.tar.gz
archives=$cache/apt-archives-$codename-$arch
mkdir -p "$cache" "$archives/partial" "$work" || fail "cannot make $cache or $work"

# Unmounts everything under $1, deepest first; fails when anything stays.
unmount_all() {
  local mounted
  mounted=$(awk -v r="$1" '$2 == r || index($2, r "/") == 1 {print $2}' /proc/mounts | sort -r)
  for m in $mounted; do umount "$m" 2>/dev/null || umount -l "$m"; done
  ! awk -v r="$1" '$2 == r || index($2, r "/") == 1 {found = 1} END {exit !found}' /proc/mounts
}
# Ends every process whose root is $1, such as a bus a program's start began.
kill_in_root() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$1" ] && kill -9 "${p#/proc/}" 2>/dev/null
  done
  return 0
}
# Removes a root, never while anything is mounted in it.
remove_root() {
  [ -e "$1" ] || return 0
  kill_in_root "$1"
  unmount_all "$1" || { echo "still mounted under $1: left in place"; return 1; }
  rm -rf --one-file-system "$1"
}
roots=()
cleanup() { for r in "${roots[@]}"; do remove_root "$r"; done; }
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# The base root: made when missing or a week old, by one run at a time.
exec 9>"$cache/fresh-root.lock"
flock 9
if [ -z "$(find "$base" -mtime -7 2>/dev/null)" ]; then
  if ! timeout 60 apt-get update -qq >/dev/null 2>&1; then
    skip "the package registry does not answer, and no base root is cached"
  fi
  echo "making the base root ($codename, $arch, from $mirror)"
  staging=$work/base
  roots+=("$staging")
  remove_root "$staging" || fail "an old base root is still mounted"
  debootstrap --variant=minbase --cache-dir="$archives" "$codename" "$staging" "$mirror" \
    >"$work/debootstrap.log" 2>&1 || fail "debootstrap failed: $(tail -n 5 "$work/debootstrap.log")"
  tar -C "$staging" -czf "$base.new" . && mv "$base.new" "$base" || fail "cannot write $base"
  remove_root "$staging"
fi
flock -u 9

# Enters a root for one command, as root with a clean environment.
in_root() { chroot "$1" /usr/bin/env -i HOME=/root LANG=C.UTF-8 PATH=/usr/sbin:/usr/bin:/sbin:/bin \
                                     /bin/bash -c "$2"; }

# Makes a fresh root $work/$1 from the base, with the host's name service,
# the shared package folder and the committed tree in /src.
make_root() {
  local root=$work/$1
  roots+=("$root")
  remove_root "$root" || fail "an old $1 root is still mounted"
  mkdir -p "$root" && tar -C "$root" -xzf "$base" || fail "cannot unpack $base"
  cp /etc/resolv.conf /etc/hosts "$root/etc/" 2>/dev/null
  mount -t proc proc "$root/proc" && mount --bind /sys "$root/sys" &&
    mount --bind /dev "$root/dev" && mount --bind /dev/pts "$root/dev/pts" &&
    mount --bind /dev/shm "$root/dev/shm" &&
    mount --bind "$archives" "$root/var/cache/apt/archives" || fail "cannot mount into $root"
  mkdir -p "$root/src"
  git -C "$source_dir" archive HEAD | tar -x -C "$root/src" || fail "cannot copy the tree"
}

# The README's headless example, the block after "prints what it measured".
expected=$(awk '/prints what it measured/ {armed = 1} armed && /^```$/ {n++; next}
                n == 1 {print} n == 2 {exit}' "$source_dir/README.md")
[ -n "$expected" ] || fail "no example output found in the README"

# scripts/run in root $1: its output less the install line must be the
# README's example, and nothing may reach standard error.
check_run() {
  local root=$work/$1 out err
  in_root "$root" 'cd /src && scripts/run' >"$work/$1.out" 2>"$work/$1.err" ||
    fail "$1: scripts/run failed: $(tail -n 20 "$work/$1.out" "$work/$1.err")"
  out=$(grep -v '^Installing: ' "$work/$1.out")
  err=$(cat "$work/$1.err")
  [ -z "$err" ] || fail "$1: scripts/run wrote to standard error: $err"
  [ "$out" = "$expected" ] || fail "$1: scripts/run printed
$out
where the README shows
$expected"
  echo "$1: scripts/run printed the README's example; $(grep '^peak level' <<<"$out")"
}

make_root bare
check_run bare
remove_root "$work/bare" || fail "cannot remove the bare root"

make_root testlibs
in_root "$work/testlibs" 'export DEBIAN_FRONTEND=noninteractive; apt-get update -qq &&
  apt-get install -y -qq --no-install-recommends libgtest-dev libbenchmark-dev' \
  >"$work/testlibs-libs.log" 2>&1 ||
  fail "cannot install the test libraries: $(tail -n 5 "$work/testlibs-libs.log")"
check_run testlibs
in_root "$work/testlibs" 'cd /src && scripts/install-deps &&
  cmake -S . -B build-all -DSONAVEL_TESTS=ON -DSONAVEL_BENCH=ON' >"$work/testlibs-all.log" 2>&1 ||
  fail "testlibs: the test command's install and configure failed: $(tail -n 20 "$work/testlibs-all.log")"
echo "testlibs: scripts/install-deps and a configure with tests and benchmarks succeeded"
