#!/usr/bin/env bash
# Runs the headless lifecycle tests under valgrind's memcheck: start-up, frames and shutdown
# through WinMain with good pictures (the shell tests), and with the first picture in each state
# a user could leave it in, unusable or unusual. Fails on any memory error and on bytes
# definitely lost; losses in system libraries are suppressed by tests/valgrind.supp, each entry
# naming its library.
#
# Usage: scripts/valgrind-lifecycle.sh [BUILD_DIR]   (default: build, the default preset)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cd "$root"
if [ ! -x "$build/tests/shell/quen_shell_test" ] || [ ! -x "$build/tests/robustness/quen_robustness_test" ]; then
  cmake --preset default -B "$build" >/dev/null
  cmake --build "$build" -j "$(nproc)" --target quen_shell_test quen_robustness_test >/dev/null
fi

memcheck() { # name program args...
  local name=$1
  shift
  valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite \
    --errors-for-leak-kinds=definite --error-exitcode=99 --track-origins=yes \
    --suppressions="$root/tests/valgrind.supp" --log-file="$build/valgrind-$name.log" "$@" \
    >"$build/valgrind-$name.out" 2>&1
  local status=$?
  grep -E "definitely lost:|ERROR SUMMARY" "$build/valgrind-$name.log" | sed "s/^==[0-9]*==/$name:/"
  return $status
}
status=0
memcheck shell "$build/tests/shell/quen_shell_test" || status=1
# Not the picture without memory: valgrind serves operator new itself, so the test's allocator,
# which makes large allocations fail, is not the one called.
memcheck bad-pictures "$build/tests/robustness/quen_robustness_test" \
  --gtest_filter='*InputFile.*/initial_*:-*OutOfMemory' || status=1
[ "$status" -eq 0 ] && echo "valgrind: no memory errors, no bytes definitely lost" ||
  echo "valgrind: FAILED, see $build/valgrind-*.log" >&2
exit "$status"
