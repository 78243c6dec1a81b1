#!/usr/bin/env bash
# Builds the whole project (core, both programs, every test) with the
# address and undefined-behaviour sanitizers into build-sanitize/ and runs
# every test there. Any sanitizer report fails its test.
#   tests/sanitize.sh [extra ctest arguments]
# With "thread" first, builds with the thread sanitizer into build-tsan/
# instead, only what the tests of the program's threads need, and runs those
# tests (the runs on the worker, the which-line and step workers, printing,
# file watching, handing work between threads, interpreters drawing at once,
# the stepper's run thread, the thumbnail's time limit, the language
# server); any report fails its test. TARGETS names what to build instead, and extra arguments go to
# ctest in place of the list of threaded tests, e.g.
#   TARGETS=tst_run_race tests/sanitize.sh thread -R run_race
# Suppressions, for the libraries built without the sanitizer only, are in
# tests/tsan.supp.
# Leak detection is off: fontconfig and Qt keep their process-wide state on
# purpose.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = thread ]; then
  shift
  flags="-fsanitize=thread -fno-omit-frame-pointer -g -O1"
  cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
        -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
  threaded="tst_run_race tst_bond tst_step_mode tst_printing tst_file_watch tst_handoff"
  threaded+=" kresbon_unit_tests kresbon_lsp_tests kresbon-lsp"
  cmake --build build-tsan -j"$(nproc)" --target ${TARGETS:-$threaded}
  cd build-tsan
  if [ $# -eq 0 ]; then
    set -- -j"$(nproc)" -R '^gui\.tst_(run_race|bond|step_mode|printing|file_watch|handoff)$|^ConcurrentRuns\.|^LineBondTest\.Step|^ProcessorTimeWatch\.|^lsp\.(LspServer\.AnswersAboutTheScript|neovim)$'
  fi
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/../tests/tsan.supp" \
    ctest --output-on-failure "$@"
  exit
fi
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-sanitize -j"$(nproc)"
cd build-sanitize
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest -j"$(nproc)" --output-on-failure "$@"
