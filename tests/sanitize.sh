#!/usr/bin/env bash
# Builds the whole project (core, both programs, every test) with the
# address and undefined-behaviour sanitizers into build-sanitize/ and runs
# every test there. Any sanitizer report fails its test.
#   tests/sanitize.sh [extra ctest arguments]
# Leak detection is off: fontconfig and Qt keep their process-wide state on
# purpose.
set -euo pipefail
cd "$(dirname "$0")/.."
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-sanitize -j"$(nproc)"
cd build-sanitize
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest -j"$(nproc)" --output-on-failure "$@"
