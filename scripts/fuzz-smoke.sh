#!/usr/bin/env bash
# Builds the libFuzzer targets with the fuzz preset (clang, ASan, UBSan), makes their seed
# corpora and runs the three targets (JPEG loader, music decoder, capture command line) side by
# side for SECONDS each (default 60). Fails if any finds a crash, a leak, a timeout or undefined
# behaviour; the input that did it is left in build-fuzz/artifacts/. The corpora grow in
# build-fuzz/corpus/ from run to run.
#
# Usage: scripts/fuzz-smoke.sh [SECONDS] [BUILD_DIR]
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$root/build-fuzz}
cd "$root"

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target quen-fuzz-load-jpeg quen-fuzz-music-stream \
  quen-fuzz-capture-args quen-fuzz-seeds >/dev/null
fuzz/make-seed-corpus.sh "$build" "$build/seeds"
mkdir -p "$build/corpus/jpeg" "$build/corpus/music" "$build/corpus/args" "$build/artifacts"

# Sanitizer reports and libFuzzer's own lines stay; the targets' stderr (one line for every
# bad file, which is nearly every input) is closed.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
run() { # name binary corpus seeds
  "$build/fuzz/$2" "$build/corpus/$3" "$build/seeds/$3" -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=2560 -close_fd_mask=2 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$1-" >"$build/$1.log" 2>&1
}
status=0
run jpeg quen-fuzz-load-jpeg jpeg & jpeg=$!
run music quen-fuzz-music-stream music & music=$!
run args quen-fuzz-capture-args args & args=$!
wait $jpeg || status=1
wait $music || status=1
wait $args || status=1

for name in jpeg music args; do
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/$name.log" | tail -n1)
  units=$(ls "$build/corpus/$name" | wc -l)
  echo "fuzz $name: ${runs:-?} executions in ${seconds} s, corpus $units inputs"
done
if [ "$status" -ne 0 ]; then
  echo "fuzz-smoke: a target failed; see $build/{jpeg,music,args}.log and $build/artifacts/" >&2
  tail -n 40 "$build/jpeg.log" "$build/music.log" "$build/args.log" >&2
fi
exit "$status"
