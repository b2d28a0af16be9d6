#!/usr/bin/env bash
# Builds the Debian package, checks it, installs it on this machine, uses the
# installed programs as a user would, and removes the package again.
# Needs root; a machine that already has the package installed is left alone.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
  echo "package test skipped: installing needs root"
  exit 0
fi
if dpkg-query -W -f='${Status}' sonabrix 2>/dev/null | grep -q "install ok installed"; then
  echo "package test skipped: sonabrix is installed on this machine already"
  exit 0
fi

fail() { echo "package test FAILED: $*" >&2; exit 1; }

deb=$(scripts/package 2>/dev/null | tail -n 1)
[ -f "$deb" ] || fail "no package was built"

lint=$(lintian "$deb" 2>/dev/null || true)
if grep -q '^E:' <<<"$lint"; then
  echo "$lint" >&2
  fail "lintian reports errors"
fi

home=$(mktemp -d)
cleanup() {
  dpkg --purge sonabrix >/dev/null 2>&1 || true
  rm -rf "$home"
}
trap cleanup EXIT

dpkg -i "$deb" >/dev/null || fail "dpkg -i"

desktop-file-validate /usr/share/applications/org.sonabrix.Sonabrix.desktop || fail "desktop entry"
appstreamcli validate --no-net /usr/share/metainfo/org.sonabrix.Sonabrix.metainfo.xml >/dev/null \
  || fail "AppStream metadata"
for name in sonabrix sonabrix-batch; do
  [ -x "/usr/bin/$name" ] || fail "/usr/bin/$name missing"
  man -w "$name" >/dev/null 2>&1 || [ -f "/usr/share/man/man1/$name.1.gz" ] || fail "manual page of $name"
done
for file in evc.exe Res.dll Form.dll Help.chm; do
  [ -f "/usr/lib/sonabrix/$file" ] || fail "/usr/lib/sonabrix/$file missing"
done

# The installed program, started from the home folder as a launcher does.
data="$home/.local/share/sonabrix"
(
  cd "$home"
  export HOME="$home"
  unset XDG_DATA_HOME XDG_CONFIG_HOME
  status=0
  QT_QPA_PLATFORM=offscreen timeout -s TERM 6 sonabrix >/dev/null 2>&1 || status=$?
  [ "$status" -eq 124 ] || fail "sonabrix ended by itself with status $status"
  [ -d "$data/Config" ] || fail "no settings folder under $data"
  if grep -q "is not found" "$data/log.txt" 2>/dev/null; then
    fail "sonabrix reported missing companion files"
  fi
  [ ! -e /usr/lib/sonabrix/log.txt ] || fail "the log was written into the program folder"

  ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=3" -f lavfi -i "color=size=160x120:duration=3" \
    -shortest -c:v libx264 -c:a aac "$home/clip.mp4" || fail "making the clip"
  sonabrix-batch --type mp3 --output "$home/out" "$home/clip.mp4" >/dev/null || fail "sonabrix-batch"
  [ -s "$home/out/clip.mp3" ] || fail "no converted file"
  grep -q "parameter: " "$data/log.txt" || fail "no log under $data"
)

dpkg --purge sonabrix >/dev/null || fail "dpkg --purge"
[ ! -e /usr/lib/sonabrix ] || fail "/usr/lib/sonabrix left after removal"
echo "package test passed"
