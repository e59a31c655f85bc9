#!/usr/bin/env bash
# Starts the demo under Xvfb on a 1024x768 screen, checks its window, presses Escape and checks
# that it ends at once with status 0 after having played sound.
set -euo pipefail
quen=$1 assets=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/inside.sh" <<'INNER'
set -u
quen=$1 assets=$2 work=$3
cd "$assets"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw" "$quen" 2>"$work/stderr" &
pid=$!
wid=""
for _ in $(seq 50); do
  wid=$(xdotool search --name '^Quen/XDL$' 2>/dev/null | head -n1) && [ -n "$wid" ] && break
  sleep 0.1
done
[ -n "$wid" ] || { echo "FAIL: no window titled Quen/XDL"; kill $pid; exit 1; }
sleep 3 # let the show and the music run
info=$(xwininfo -id "$wid")
geometry=$(echo "$info" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
  /Width:/{w=$2} /Height:/{h=$2} END{print x","y","w","h}')
hints=$(xprop -id "$wid" _MOTIF_WM_HINTS 2>/dev/null || true)
xdotool key --window "$wid" Escape
start=$(date +%s%N)
for _ in $(seq 40); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done
if kill -0 $pid 2>/dev/null; then echo "FAIL: still running 2 s after Escape"; kill -9 $pid; exit 1; fi
wait $pid; status=$?
ms=$(( ($(date +%s%N) - start) / 1000000 ))
echo "window $geometry, hints: $hints, exit $status after ${ms} ms"
[ "$geometry" = "112,84,800,600" ] || { echo "FAIL: window geometry $geometry"; exit 1; }
# SDL asks for no decorations through _MOTIF_WM_HINTS (flags 0x2, decorations 0) where a window
# manager has defined the atom; on a bare X server nothing draws decorations at all.
echo "$hints" | grep -qE '0x2, 0x0|no such atom' || { echo "FAIL: window has decorations: $hints"; exit 1; }
[ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; cat "$work/stderr"; exit 1; }
INNER

xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/inside.sh" "$quen" "$assets" "$work"

# The captured audio: 16-bit stereo samples, not all silence.
[ -s "$work/audio.raw" ] || { echo "FAIL: no audio captured"; exit 1; }
loud=$(od -An -v -t d2 -w2 "$work/audio.raw" | awk '$1 > 1000 || $1 < -1000 {n++} END {print n+0}')
echo "audio: $(stat -c %s "$work/audio.raw") bytes, $loud loud samples"
[ "$loud" -gt 1000 ] || { echo "FAIL: captured audio is silent"; exit 1; }
echo "PASS"
