#!/usr/bin/env bash
# run.sh FUZZ_BUILD_DIR SECONDS: fuzzes every loader for SECONDS each,
# starting from the shipped files (unscrambled) as seeds.
set -euo pipefail
build=$1
seconds=$2
game=$build/../game
key="Duke Ormand"

# The plain text of a shipped scrambled file.
unscramble() {
  python3 - "$1" "$key" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
key = sys.argv[2].encode()
sys.stdout.buffer.write(bytes(b ^ key[i % len(key)] for i, b in enumerate(data)))
PY
}

status=0
for target in Levels Preferences Scores Help Codec; do
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  case $target in
    Levels) unscramble "$game/levlet.znd" > "$corpus/shipped" ;;
    Preferences) unscramble "$game/prefs.znd" > "$corpus/shipped" ;;
    Scores) unscramble "$game/scores.znd" > "$corpus/shipped" ;;
    Help) unscramble "$game/qhelp.znd" > "$corpus/shipped" ;;
    Codec) printf 'Rise and fall' > "$corpus/shipped" ;;
  esac
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
