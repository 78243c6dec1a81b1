#!/usr/bin/env bash
# Builds a fuzz target with clang and runs it for SECONDS (default 600) on
# its kept corpus, then merges what it found into a minimal kept corpus.
#   tests/fuzz/run.sh [SECONDS] [interpreter|settings]
# interpreter (the default): the first byte of an input chooses the format
# the drawing is saved in and the colour depth, the rest is the script;
# seeded with the script cases and the demo. settings: an input is the
# settings file. Leak detection is off: fontconfig keeps its configuration
# for the whole process by design.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-600}
target=${2:-interpreter}
scripts/install-deps.sh clang libclang-rt-14-dev
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -g -O1"
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DKRESBON_FUZZ=ON -DKRESBON_TESTS=OFF -DKRESBON_DESKTOP=OFF -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build build-fuzz -j2 --target "fuzz_$target"
fuzzer=build-fuzz/tests/fuzz/fuzz_$target

seeds=$(mktemp -d)
found=$(mktemp -d)
trap 'rm -rf "$seeds" "$found"' EXIT
case "$target" in
  interpreter)
    corpus=tests/fuzz/corpus
    options=(-max_len=4096 -dict=tests/fuzz/krs.dict)
    mode=0
    for f in tests/scripts/*.krs resources/demo.krs tests/fuzz/regressions/*.krs; do
      [ -f "$f" ] || continue
      { printf "\\$(printf %03o $((mode % 256)))"; cat "$f"; } >"$seeds/$(basename "$f")"
      mode=$((mode + 1))
    done
    ;;
  settings)
    corpus=tests/fuzz/corpus_settings
    options=(-max_len=2048)
    printf '[MainForm]\r\nLanguage=2000\r\n[Layers]\r\nLayer3=0\r\n' >"$seeds/crlf.ini"
    printf ' [ print ] \nstretch = 5\n[Print]\nStretch=1\n' >"$seeds/duplicates.ini"
    ;;
  *) echo "unknown target $target" >&2; exit 2 ;;
esac

# The targets save and rewrite files, each synced to disk; on a memory file
# system that costs nothing.
[ -w /dev/shm ] && export TMPDIR=/dev/shm
mkdir -p "$corpus" tests/fuzz/crashes
ASAN_OPTIONS=detect_leaks=0 "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  "${options[@]}" -artifact_prefix="tests/fuzz/crashes/$target-" "$found" "$corpus" "$seeds" || status=$?

merged=$(mktemp -d)
ASAN_OPTIONS=detect_leaks=0 "$fuzzer" -merge=1 -timeout=10 -rss_limit_mb=2048 "$merged" "$corpus" "$found" "$seeds" 2>/dev/null
rm -rf "$corpus"
mv "$merged" "$corpus"
chmod 755 "$corpus"
exit "${status:-0}"
