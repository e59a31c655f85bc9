#!/usr/bin/env bash
# How quickly the demo shows its first frame and how much memory it holds while playing, under
# Xvfb: for each of RUNS runs (default 9), the time from exec to the first frame presented, the
# processor time used by then, and the resident size after 3 s of the show; then the medians and
# the load average. The first frame is noted by bench/FirstFrameProbe.cpp, preloaded.
#
# Usage: bench/start-time.sh [RUNS] [BUILD_DIR]   (SCREEN=1920x1080x24 for another screen,
#        SDL_AUDIODRIVER=... for another sound driver than the silent "dummy", QUEN=PATH to
#        measure another build of the demo, an older one say, beside this one's probe)
set -euo pipefail
runs=${1:-9}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$root/build}
cmake --build "$build" --target quen quen-first-frame-probe >/dev/null
probe=$build/bench/libquen-first-frame-probe.so
quen=$(realpath "${QUEN:-$build/quen}")
work=$(mktemp -d)
xserver=
demo=
cleanup() {
  [ -n "$demo" ] && kill -9 "$demo" 2>/dev/null
  [ -n "$xserver" ] && kill "$xserver" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

Xvfb -displayfd 3 -nolisten tcp -screen 0 "${SCREEN:-1024x768x24}" 3>"$work/display" \
  >/dev/null 2>&1 &
xserver=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=:$(cat "$work/display") SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%4s %16s %14s %10s\n' run "first frame ms" "its CPU ms" "RSS MiB"
for run in $(seq "$runs"); do
  rm -f "$work/first"
  (
    cd "$root/assets"
    echo "$EPOCHREALTIME" >"$work/exec"
    exec env LD_PRELOAD="$probe" QUEN_FIRST_FRAME_FILE="$work/first" "$quen" \
      2>"$work/stderr"
  ) &
  demo=$!
  for _ in $(seq 200); do [ -s "$work/first" ] && break; sleep 0.05; done
  [ -s "$work/first" ] || { echo "no frame within 10 s:"; cat "$work/stderr"; exit 1; }
  sleep 3
  rss=$(awk '/^VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$demo/status")
  kill "$demo"
  wait "$demo" || true
  demo=
  read -r frame cpu <"$work/first"
  exec_us=$(tr -d . <"$work/exec")
  ms=$(awk -v a="$exec_us" -v b="$frame" 'BEGIN {printf "%.1f", (b - a) / 1000}')
  cpu_ms=$(awk -v c="$cpu" 'BEGIN {printf "%.1f", c / 1000}')
  printf '%4d %16s %14s %10s\n' "$run" "$ms" "$cpu_ms" "$rss"
  echo "$ms $cpu_ms $rss" >>"$work/results"
done
printf '%4s %16s %14s %10s\n' median "$(cut -d' ' -f1 "$work/results" | median)" \
  "$(cut -d' ' -f2 "$work/results" | median)" "$(cut -d' ' -f3 "$work/results" | median)"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
