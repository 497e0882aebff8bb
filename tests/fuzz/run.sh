#!/usr/bin/env bash
# run.sh FUZZ_BUILD_DIR SECONDS: fuzzes every loader for SECONDS each,
# starting from the shipped files (unscrambled) or a player's own as seeds.
set -euo pipefail
build=$1
seconds=$2
game=$build/../game

# The plain text of a shipped file: its bytes exclusive-or "Duke Ormand", repeated.
unscramble() {
  python3 -c 'import sys; k = b"Duke Ormand"; d = open(sys.argv[1], "rb").read()
sys.stdout.buffer.write(bytes(b ^ k[i % len(k)] for i, b in enumerate(d)))' "$1"
}

# A short replay: a pass, a key, typing, a best player and the end, checked.
replay() {
  python3 -c 'import sys, zlib
def varint(v):
    out = b""
    while v >= 0x80: out, v = out + bytes([v & 0x7F | 0x80]), v >> 7
    return out + bytes([v])
def string(s): return varint(len(s)) + s
s = varint(1) + string(b"1.0.0") + varint(0) + b"Y" + varint(16) + b"K" + varint(37 * 4 + 2) + b"T" + string(b"Ada")
s += b"B" + string(b"Ada") + varint(150)
s += b"E" + varint(2) + varint(150) + varint(3) + varint(6000) + string(b"closed")
s += b"Z" + zlib.crc32(s).to_bytes(4, "little")
sys.stdout.buffer.write(b"ZINTARI REPLAY\n\x02" + zlib.compress(s))'
}

status=0
for pair in Levels:levlet Preferences:prefs Scores:scores Help:qhelp Codec: Keys: Replay:; do
  target=${pair%%:*} shipped=${pair#*:}
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  case $target in
    Codec) printf 'Rise and fall' ;;
    Keys) cat "$(dirname "$0")/keys.conf" ;;
    Replay) replay ;;
    *) unscramble "$game/$shipped.znd" ;;
  esac > "$corpus/shipped"
  echo "fuzzing $target for ${seconds}s"
  if ! "$build/fuzz_$target" -max_total_time="$seconds" -max_len=8192 -print_final_stats=0 \
      -artifact_prefix="$build/crash-$target-" "$corpus" > "$build/fuzz-$target.log" 2>&1; then
    echo "fuzz_$target failed; see $build/fuzz-$target.log"
    tail -30 "$build/fuzz-$target.log"
    status=1
  else
    grep -E '^#[0-9]+.*DONE' "$build/fuzz-$target.log" | tail -1 || true
  fi
done
exit $status
