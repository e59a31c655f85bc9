#!/usr/bin/env bash
# Without any display the demo says so on stderr and exits with status 1 instead of running
# an invisible show. Its options are answered before a display is looked for: --help on
# standard output with status 0, a mistake on standard error with status 2.
set -uo pipefail
quen=$(realpath "$1") assets=$2
cd "$assets"
err=$(mktemp)
trap 'rm -f "$err"' EXIT
failures=0
expect() { # expect WHAT STATUS STDOUT_PATTERN STDERR_PATTERN ("": nothing) [OPTION...]
  local what=$1 status=$2 outp=$3 errp=$4 out
  shift 4
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
        timeout 20 "$quen" "$@" 2>"$err")
  set -- $?
  echo "$what: exit $1: $(cat "$err")"
  [ "$1" -eq "$status" ] && grep -qE "$outp" <<<"$out" &&
    { [ -n "$errp" ] && grep -qE "$errp" "$err" || [ -z "$errp$(cat "$err")" ]; } ||
    { echo "FAIL: $what"; failures=$((failures + 1)); }
}
expect "no display" 1 '^$' '^quen: cannot open a display: '
expect "--help" 0 '^  --fullscreen ' '' --help
expect "unknown option" 2 '^$' "^quen: unknown option '--bogus'" --scale 2 --bogus
[ "$failures" -eq 0 ] && echo "PASS"
