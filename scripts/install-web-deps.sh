#!/usr/bin/env bash
# Installs what the web build and its browser test need, where missing: Debian's emscripten and
# chromium, npm (unless node already brings its own), and the test driver's npm packages exactly
# as tests/web/package-lock.json pins them.
#
# Usage: scripts/install-web-deps.sh
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(emscripten chromium nodejs)
command -v npm >/dev/null || packages+=(npm)
scripts/install-deps.sh "${packages[@]}"

# npm ci reinstalls from scratch every time; skip it while the lock file is the one installed.
stamp=tests/web/node_modules/.installed-lock.json
if ! cmp -s tests/web/package-lock.json "$stamp" 2>/dev/null; then
  # The driver uses Debian's chromium; never let an npm package download a browser of its own.
  (cd tests/web && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
  cp tests/web/package-lock.json "$stamp"
fi
