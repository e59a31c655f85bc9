#!/usr/bin/env bash
# Without any display the demo says so on stderr in one line of its own, with what to do instead,
# and exits with status 1 instead of running an invisible show; no library adds lines of its own
# (Wayland's about XDG_RUNTIME_DIR). Its options are answered before a display is looked for:
# --help on standard output with status 0, a mistake on standard error with status 2.
set -uo pipefail
quen=$(realpath "$1") assets=$2
cd "$assets"
err=$(mktemp)
trap 'rm -f "$err"' EXIT
failures=0
hint='; play it on a desktop, or without one under xvfb-run, or render its frames and video with quen-capture$'
expect() { # expect WHAT STATUS STDOUT_PATTERN STDERR_PATTERN ("": nothing) [OPTION...]
  local what=$1 status=$2 outp=$3 errp=$4 out
  shift 4
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u XDG_RUNTIME_DIR \
        SDL_AUDIODRIVER=dummy ${display:+DISPLAY=$display} timeout 20 "$quen" "$@" 2>"$err")
  set -- $?
  echo "$what: exit $1: $(cat "$err")"
  [ "$1" -eq "$status" ] && grep -qE "$outp" <<<"$out" &&
    { [ -n "$errp" ] && grep -qE "$errp" "$err" && [ "$(wc -l <"$err")" = 1 ] ||
      [ -z "$errp$(cat "$err")" ]; } ||
    { echo "FAIL: $what"; failures=$((failures + 1)); }
}
display=
expect "no display" 1 '^$' "^quen: cannot open a display: DISPLAY is not set$hint"
expect "no display, --scale 2" 1 '^$' "^quen: cannot open a display: DISPLAY is not set$hint" \
  --scale 2
expect "--help" 0 '^  --fullscreen ' '' --help
expect "unknown option" 2 '^$' "^quen: unknown option '--bogus'" --scale 2 --bogus
expect "--assets of no folder" 2 '^$' \
  "^quen: --assets /nonexistent is not a folder \(see quen --help\)$" --assets /nonexistent
# A display named that nobody serves: X11 is tried, and nothing else speaks.
display=:$((RANDOM % 1000 + 7000))
expect "DISPLAY=$display, no server" 1 '^$' \
  "^quen: cannot open a display: the X display $display does not answer$hint"
[ "$failures" -eq 0 ] && echo "PASS"
