#!/usr/bin/env bash
# Installs what Sonabrix needs to build, test and run, skipping what is present.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  clang libclang-rt-14-dev
  qt6-base-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libavcodec-extra ffmpeg
  googletest libgtest-dev
  qt6-multimedia-dev qt6-svg-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  fp-utils librsvg2-bin libchm-bin xchm xdg-utils
  dpkg-dev fakeroot lintian appstream desktop-file-utils man-db
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
