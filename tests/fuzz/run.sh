#!/usr/bin/env bash
# Builds the interpreter fuzz target with clang and runs it for SECONDS
# (default 600) on the kept corpus, seeded with the script cases and demo.
# Leak detection is off: fontconfig keeps its configuration for the whole
# process by design.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-600}
scripts/install-deps.sh clang libclang-rt-14-dev
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -g -O1"
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DKRESBON_FUZZ=ON -DKRESBON_TESTS=OFF -DKRESBON_DESKTOP=OFF -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_interpreter
seeds=$(mktemp -d)
cp tests/scripts/*.krs resources/demo.krs "$seeds"/
mkdir -p tests/fuzz/corpus tests/fuzz/crashes
ASAN_OPTIONS=detect_leaks=0 build-fuzz/tests/fuzz/fuzz_interpreter -max_total_time="$seconds" -timeout=10 -rss_limit_mb=3000 \
  -max_len=4096 -artifact_prefix=tests/fuzz/crashes/ -dict=tests/fuzz/krs.dict \
  tests/fuzz/corpus "$seeds"
rm -rf "$seeds"
