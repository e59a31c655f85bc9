#!/usr/bin/env bash
# The web build's test in headless Chromium (tests/web/web_test.mjs): installs Chromium and the
# test driver where missing, takes the Linux build's checksums of every frame from step 0 to
# 2400, and runs the driver against build-web/site and the single-file page build-web/quen.html.
# Screenshots of every emulated device go to build-web/screens/. Expects `make build`,
# `make web` and `make web-single` done.
#
# Usage: scripts/web-test.sh [FIRST LAST]
set -euo pipefail
cd "$(dirname "$0")/.."
first=${1:-0} last=${2:-2400}
scripts/install-web-deps.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd assets && ../build/tests/crossbuild/quen-frame-sums "$first" "$last" >"$work/linux-frames")
node tests/web/web_test.mjs build-web/site build-web/quen.html build-web/screens "$work/linux-frames" \
  build-web/tests/crossbuild/quen-math-digest.js build/tests/crossbuild/quen-math-digest "$first" "$last"
