#!/usr/bin/env bash
# Without any display the demo says so on stderr and exits with status 1 instead of running
# an invisible show.
set -uo pipefail
quen=$1 assets=$2
cd "$assets"
err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
      timeout 20 "$quen" 2>&1 >/dev/null)
status=$?
echo "exit $status: $err"
[ "$status" -eq 1 ] || { echo "FAIL: expected exit status 1"; exit 1; }
echo "$err" | grep -q '^quen: cannot open a display: ' || { echo "FAIL: no error line"; exit 1; }
echo "PASS"
