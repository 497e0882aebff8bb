#!/bin/sh
# record_test.sh BUILD_DIR GAME_DIR flushed|again: what record_replays makes.
#   flushed: a run flushed every millisecond, as a player's is every 2 s,
#     holds many checks; the reader follows each, and it checks to its end;
#     cut in half (a run killed), the reader and the game stop at one moment.
#   again: corpus replays put where fault reports go are recorded again from
#     their inputs alone, byte for byte.
set -eu
build=$(cd "$1" && pwd)
game=$(cd "$2" && pwd)
corpus=$(cd "$(dirname "$0")" && pwd)
reader="$corpus/read_replay.py"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
case $3 in
flushed)
    "$build/record_replays" "$game" . --flush-ms 1 game-over
    checks=$(python3 "$reader" list game-over.zrp | grep -c '^ *[0-9]* Z ')
    [ "$checks" -gt 2 ] || { echo "only $checks checks"; exit 1; }
    python3 "$reader" check "$game/zintari" game-over.zrp
    head -c $(($(wc -c < game-over.zrp) / 2)) game-over.zrp > cut.zrp
    game_stops=$("$game/zintari" --replay cut.zrp --check | sed -n 's/^cut short at tick \([0-9]*\):.*/\1/p')
    reader_stops=$(python3 "$reader" list cut.zrp | sed -n 's/.* clock \([0-9]*\)$/\1/p' | tail -1)
    echo "cut in half: the game stops at tick $game_stops, the reader at $reader_stops"
    [ -n "$game_stops" ] && [ "$game_stops" = "$reader_stops" ] ;;
again)
    mkdir reports
    for r in pause-focus game-over diagonals; do cp "$corpus/$r.zrp" "reports/again-$r.zrp"; done
    "$build/record_replays" "$game" . again-pause-focus again-game-over again-diagonals
    for r in pause-focus game-over diagonals; do cmp "again-$r.zrp" "$corpus/$r.zrp"; done ;;
esac
