#!/usr/bin/env bash
# test_install.sh BUILD_DIR: installs the game under a scratch prefix,
# validates its desktop entry and AppStream metadata, checks the icons and
# the manual page, and runs the installed game from a read-only data folder.
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'chmod -R u+w "$root" 2>/dev/null; rm -rf "$root"' EXIT
prefix=$root/prefix

cmake --install "$build" --prefix "$prefix" > "$root/install.log"
desktop-file-validate "$prefix/share/applications/zintari.desktop"
appstreamcli validate --no-net --explain "$prefix/share/metainfo/io.github.zintari.Zintari.metainfo.xml"

for size in 16 24 32 48 64 128 256; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/zintari.png
  [ -f "$icon" ] || { echo "missing icon $icon"; exit 1; }
  dims=$(identify -format '%wx%h' "$icon")
  [ "$dims" = "${size}x${size}" ] || { echo "icon $icon is $dims"; exit 1; }
done
[ -f "$prefix/share/man/man6/zintari.6" ] || { echo "missing manual page"; exit 1; }

# The installed program, its data made read-only, started through bin/.
# Root writes through any mode bits, so as root the game runs as nobody.
chmod -R a-w "$prefix/lib"
before=$(cd "$prefix/lib" && find . -type f | sort | xargs sha1sum)
export XDG_DATA_HOME=$root/data SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
mkdir -p "$XDG_DATA_HOME"
as_player=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$root"
  chown 65534:65534 "$XDG_DATA_HOME"
  as_player=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
set +e
timeout -s TERM 6 "${as_player[@]}" "$prefix/bin/zintari" 2> "$root/stderr"
status=$?
set -e
if [ "$status" -ne 124 ]; then
  echo "the installed game stopped by itself (status $status):"; cat "$root/stderr"; exit 1
fi
[ ! -s "$root/stderr" ] || { echo "the installed game complained:"; cat "$root/stderr"; exit 1; }
after=$(cd "$prefix/lib" && find . -type f | sort | xargs sha1sum)
[ "$before" = "$after" ] || { echo "the installed data changed"; exit 1; }
for f in prefs.znd scores.znd; do
  [ -f "$XDG_DATA_HOME/zintari/$f" ] || { echo "$f was not seeded into the player's folder"; exit 1; }
done
echo "installed, validated and run read-only"
