# Shared by the cross-build scripts (windows-ci.sh, arm64-ci.sh); sourced, not run.
# CROSS names the build in their messages.

phase_start=$(date +%s)
# Says how long the phase that ends now took.
phase() {
  local now
  now=$(date +%s)
  echo "$CROSS-ci: $1 took $((now - phase_start)) s"
  phase_start=$now
}

# Builds the Linux capture tool and frame checksums that a cross build is compared with, in the
# default preset's folder unless QUEN_LINUX_BUILD names another Linux build folder, and prints
# that folder's absolute path.
build_linux_reference() {
  local linux_build=${QUEN_LINUX_BUILD:-build}
  if [ ! -f "$linux_build/CMakeCache.txt" ]; then
    scripts/install-deps.sh >&2
    cmake --preset default >/dev/null
  elif grep -q '^QUEN_DEMO_ONLY:BOOL=ON' "$linux_build/CMakeCache.txt"; then
    scripts/install-deps.sh >&2 # a folder that `make run` set up for the demo alone
    cmake -S . -B "$linux_build" -DQUEN_DEMO_ONLY=OFF >/dev/null
  fi
  cmake --build "$linux_build" -j "$JOBS" --target quen-capture quen-frame-sums quen-math-digest >/dev/null
  realpath "$linux_build"
}
