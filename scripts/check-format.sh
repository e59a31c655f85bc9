#!/usr/bin/env bash
# Fails when a tracked C++ source differs from what clang-format makes of it with the repository's
# .clang-format; `make format` rewrites them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh clang-format
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "check-format: every tracked source is formatted"
