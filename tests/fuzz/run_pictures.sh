#!/usr/bin/env bash
# Builds the picture-reader fuzz target with clang and runs it for SECONDS
# (default 1800) on the kept corpus, seeded with the test pictures; then
# merges everything it found into a minimal kept corpus. The first byte of an
# input picks the reader: 0 BMP, 1 GIF, 2 JPEG, 0xF0 PNG.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-1800}
scripts/install-deps.sh clang libclang-rt-14-dev
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -g -O1"
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DKRESBON_FUZZ=ON -DKRESBON_TESTS=OFF -DKRESBON_DESKTOP=OFF -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build build-fuzz -j2 --target fuzz_pictures
fuzzer=build-fuzz/tests/fuzz/fuzz_pictures

seeds=$(mktemp -d)
found=$(mktemp -d)
trap 'rm -rf "$seeds" "$found"' EXIT
for f in tests/data/pictures/* tests/data/damaged/* resources/demo-logo.gif; do
  case "${f,,}" in
    *.bmp) reader='\000' ;;
    *.gif) reader='\001' ;;
    *.jpg | *.jpeg) reader='\002' ;;
    *.png) reader='\360' ;;
    *) continue ;;
  esac
  { printf "$reader"; cat "$f"; } >"$seeds/$(basename "$f")"
done

corpus=tests/fuzz/corpus_pictures
mkdir -p "$corpus" tests/fuzz/crashes
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
  -artifact_prefix=tests/fuzz/crashes/pictures- "$found" "$corpus" "$seeds" || status=$?

merged=$(mktemp -d)
"$fuzzer" -merge=1 -timeout=10 -rss_limit_mb=2048 "$merged" "$corpus" "$found" "$seeds" 2>/dev/null
rm -rf "$corpus"
mv "$merged" "$corpus"
chmod 755 "$corpus"
exit "${status:-0}"
