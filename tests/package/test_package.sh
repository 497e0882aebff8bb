#!/usr/bin/env bash
# test_package.sh SOURCE_DIR BUILD_DIR: packs the built tree into the Debian
# package, holds it to lintian and unpacks it into a scratch root, where it
# validates the desktop entry, the AppStream metadata, the icons and the
# manual page and runs the game, as a player, on its read-only data; a run
# recorded by the package plays on the source build, and back.
set -euo pipefail
source=$1
build=$2
root=$(mktemp -d)
trap 'chmod -R u+w "$root" 2>/dev/null; rm -rf "$root"' EXIT
fail() { echo "$*"; exit 1; }

cmake -DSOURCE_DIR="$source" -DBUILD_DIR="$build" -DOUT_DIR="$root/out" -P "$source/packaging/deb.cmake" \
  > "$root/cpack.log" 2>&1 || { cat "$root/cpack.log"; exit 1; }
deb=$root/out/zintari_1.0.0-1_amd64.deb
[ -f "$deb" ] || fail "cpack made no $deb"
# No error and no warning; what lintian says besides is listed in the README.
lintian_status=0
lintian --fail-on error,warning "$deb" > "$root/lintian.log" 2>&1 || lintian_status=$?
grep -v "running with root privileges" "$root/lintian.log" || true
[ "$lintian_status" -eq 0 ] || fail "lintian failed the package"
# The libraries as dpkg-shlibdeps finds them, the font and the soundfont; no -dev package.
depends=$(dpkg-deb -f "$deb" Depends)
for wanted in libsdl2-2.0-0 fonts-dejavu-core "timgm6mb-soundfont | fluid-soundfont-gm"; do
  [[ $depends == *"$wanted"* ]] || fail "no $wanted in Depends: $depends"
done
[[ $depends != *-dev* ]] || fail "a development package in Depends: $depends"
# The window's title bar on Wayland.
recommends=$(dpkg-deb -f "$deb" Recommends)
[ "$recommends" = libdecor-0-plugin-1-cairo ] || fail "Recommends: $recommends, not libdecor-0-plugin-1-cairo"

dpkg-deb -x "$deb" "$root/x"
prefix=$root/x/usr
version=$("$prefix/games/zintari" --version)
[ "$version" = "zintari $(dpkg-deb -f "$deb" Version | cut -d- -f1)" ] || fail "--version says $version"
man -P cat -l "$prefix/share/man/man6/zintari.6.gz" | grep -q "zintari - a falling-block puzzle game" ||
  fail "the manual page does not read"
desktop-file-validate "$prefix/share/applications/zintari.desktop"
appstreamcli validate --no-net --explain "$prefix/share/metainfo/io.github.zintari.Zintari.metainfo.xml"
# lintian holds each icon's size to its folder's name.
for size in 16 24 32 48 64 128 256; do
  [ -f "$prefix/share/icons/hicolor/${size}x${size}/apps/zintari.png" ] || fail "no ${size}x${size} icon"
done

# The unpacked game, its data made read-only, started to its main menu; it
# can only find its data at ../share/games/zintari. Root writes through any
# mode bits, so as root the game runs as nobody.
data=$prefix/share/games/zintari
chmod -R a-w "$data"
before=$(cd "$data" && find . -type f | sort | xargs sha1sum)
# The player's own folders: as nobody, root's home cannot even be looked into.
export XDG_DATA_HOME=$root/home XDG_CONFIG_HOME=$root/config XDG_STATE_HOME=$root/state
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
mkdir -p "$XDG_DATA_HOME"
as_player=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$root"
  chown 65534:65534 "$XDG_DATA_HOME"
  as_player=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
set +e
timeout -s TERM 6 "${as_player[@]}" "$prefix/games/zintari" 2> "$root/stderr"
status=$?
set -e
[ "$status" -eq 124 ] || { echo "the unpacked game stopped by itself (status $status):"; cat "$root/stderr"; exit 1; }
[ ! -s "$root/stderr" ] || { echo "the unpacked game complained:"; cat "$root/stderr"; exit 1; }
after=$(cd "$data" && find . -type f | sort | xargs sha1sum)
[ "$before" = "$after" ] || fail "the shipped data changed"
for f in prefs.znd scores.znd; do
  [ -f "$XDG_DATA_HOME/zintari/$f" ] || fail "$f was not seeded into the player's folder"
done
# A replay recorded by the package plays on the source build of the same
# rules, and one recorded by the source build on the package: each run is
# killed at its menu, which leaves its replay cut short, and the other
# program plays it as far as it goes instead of refusing it.
recorded_by() {  # DATA_HOME PROGRAM...: the replay of a run killed after 3 s
  local home=$1
  shift
  XDG_DATA_HOME=$home timeout -s KILL 3 "$@" 2> /dev/null || true
  compgen -G "$home/zintari/replays/*.zrp" || fail "$* left no replay"
}
checked_by() {  # PROGRAM REPLAY
  local said
  said=$("$1" --replay "$2" --check 2>&1) || true
  [[ $said == "cut short at tick "[1-9]* ]] || fail "$1 --replay $2 --check said: $said"
}
packaged=$(recorded_by "$XDG_DATA_HOME" "${as_player[@]}" "$prefix/games/zintari")
built=$(recorded_by "$root/built" "$build/game/zintari")
checked_by "$build/game/zintari" "$packaged"
checked_by "$prefix/games/zintari" "$built"
echo "packed, passed by lintian, unpacked, validated and run read-only; its replays play on the source build and back"
