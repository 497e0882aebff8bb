#!/usr/bin/env bash
# Installs the Debian packages Zintari needs to build, test and play,
# skipping what is already there.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config make
  libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev libfluidsynth-dev zlib1g-dev
  fonts-dejavu-core fonts-dejavu-extra timgm6mb-soundfont
  libgtest-dev libbenchmark-dev clang libclang-rt-14-dev
  python3 xvfb openbox xdotool xclip x11-utils imagemagick
  desktop-file-utils appstream dpkg-dev file lintian man-db
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "setup: installing packages needs root, and sudo is not installed; as root run: apt-get install ${missing[*]}" >&2
    exit 1
  fi
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
