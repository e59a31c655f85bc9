#!/usr/bin/env bash
# Without any display the demo says so on stderr and exits with status 1 instead of running
# an invisible show. Its options are answered before a display is looked for: --help on
# standard output with status 0, a mistake in one line on standard error with status 2.
# (Without XDG_RUNTIME_DIR, the Wayland library adds a line of its own to the first case.)
set -uo pipefail
quen=$(realpath "$1") assets=$2
cd "$assets"
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
          timeout 20 "$quen" "$@" 2>"$err_file"; }
err_file=$(mktemp)
trap 'rm -f "$err_file"' EXIT
failures=0
expect() { # expect WHAT STATUS OUT ERR EXPECTED_STATUS OUT_PATTERN ERR_PATTERN
  echo "$1: exit $2, stdout ${#3} bytes, stderr: $4"
  [ "$2" -eq "$5" ] && grep -qE "$6" <<<"$3" && grep -qE "$7" <<<"$4" &&
    { [ "$5" -ne 2 ] || [ "$(wc -l <<<"$4")" -eq 1 ]; } || { echo "FAIL: $1"; failures=$((failures + 1)); }
}

out=$(run); status=$?
expect "no display" $status "$out" "$(cat "$err_file")" 1 '^$' '^quen: cannot open a display: '
out=$(run --help); status=$?
expect "--help" $status "$out" "$(cat "$err_file")" 0 '^  --fullscreen ' '^$'
out=$(run --scale 2 --bogus); status=$?
expect "unknown option" $status "$out" "$(cat "$err_file")" 2 '^$' "^quen: unknown option '--bogus'"
[ "$failures" -eq 0 ] && echo "PASS"
