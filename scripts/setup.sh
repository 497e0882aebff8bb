#!/usr/bin/env bash
# setup.sh [play|test] [--list]: installs the Debian packages Zintari needs,
# skipping what is already there. "play" is what building the game and
# playing it take; "test" (the default) adds what the tests, the benchmarks,
# the fuzzing build and the package take. --list prints the packages instead.
set -euo pipefail

play=(
  g++ cmake ninja-build pkg-config make
  libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev libfluidsynth-dev zlib1g-dev
  fonts-dejavu-core fonts-dejavu-extra timgm6mb-soundfont
  libdecor-0-plugin-1-cairo  # the window's title bar on Wayland
)
tests=(
  libgtest-dev libbenchmark-dev clang libclang-rt-14-dev
  python3 xvfb openbox xdotool xclip x11-utils imagemagick weston
  desktop-file-utils appstream dpkg-dev file lintian man-db
)

set_name=test
list=false
for arg in "$@"; do
  case $arg in
    play|test) set_name=$arg ;;
    --list) list=true ;;
    *) echo "setup: unknown argument $arg; use: setup.sh [play|test] [--list]" >&2; exit 2 ;;
  esac
done
packages=("${play[@]}")
[ "$set_name" = test ] && packages+=("${tests[@]}")
if $list; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

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
