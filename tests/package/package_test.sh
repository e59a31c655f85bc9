#!/usr/bin/env bash
# The Debian package as a user gets it: built with CPack, installed with apt-get, used as the
# man pages describe (quen-capture from any folder, the quen launcher, man pages, desktop entry,
# icon), removed; then a plain `cmake --install --prefix` into a scratch folder.
# Usage: tests/package/package_test.sh [BUILD_DIR]   (default: configures build-package)
# Needs root or sudo, dpkg-dev and file; uses man-db, desktop-file-utils, Xvfb, xdotool if there.
set -euo pipefail

src=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -m "${1:-$src/build-package}")
jobs=${JOBS:-2}

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "package-test: need root or sudo for apt-get" >&2; exit 1; }
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive

failures=0
pass() { echo "  ok   $*"; }
fail() { echo "  FAIL $*"; failures=$((failures + 1)); }
check() { # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

work=$(mktemp -d)
installed=0
cleanup() {
  if [ "$installed" -eq 1 ]; then
    $sudo apt-get remove -y -qq quen >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

echo "== Build and package ($build)"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQUEN_BUILD_TESTS=OFF -DQUEN_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j "$jobs" >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
rm -f "$build"/quen_*.deb
(cd "$build" && cpack --config CPackConfig.cmake -G DEB >/dev/null)
deb=$(ls "$build"/quen_*.deb)
echo "  $deb"
field() { dpkg-deb -f "$deb" "$@"; }
field Package Version Section Maintainer Depends Recommends | sed 's/^/  | /'

echo "== Package contents"
check "version $version" test "$(field Version)" = "$version"
check "section misc" test "$(field Section)" = misc
check "maintainer with a mail address" grep -qE '^[^<]+ <[^@ ]+@[^> ]+>$' <<<"$(field Maintainer)"
for lib in libsdl2-2.0-0 libmpg123-0 libturbojpeg0 libc6; do
  check "depends on $lib" grep -q "\b$lib\b" <<<"$(field Depends)"
done
check "recommends ffmpeg" grep -qx ffmpeg <<<"$(field Recommends)"
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in usr/bin/quen usr/bin/quen-capture usr/libexec/quen/quen usr/libexec/quen/quen-capture \
         usr/share/quen/initial.jpg usr/share/quen/j1.jpg usr/share/quen/j2.jpg \
         usr/share/quen/j3.jpg usr/share/quen/scroller.jpg usr/share/quen/zeft.mp3 \
         usr/share/applications/quen.desktop usr/share/icons/hicolor/48x48/apps/quen.png \
         usr/share/icons/hicolor/scalable/apps/quen.svg \
         usr/share/man/man6/quen.6.gz usr/share/man/man6/quen-capture.6.gz \
         usr/share/doc/quen/copyright usr/share/doc/quen/changelog.gz; do
  check "holds /$f" grep -qx "\./$f" <<<"$contents"
done
check "no asset generator or its sources" \
  bash -c '! grep -qE "make-assets|/paint|/synth" <<<"$1"' _ "$contents"
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/quen/copyright >"$work/copyright"
check "copyright file: machine-readable, MIT (Expat)" \
  bash -c 'head -n1 "$1" | grep -q "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" &&
           grep -qx "License: Expat" "$1"' _ "$work/copyright"
if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1
  sed 's/^/  | /' "$work/lintian"
  check "lintian: no errors" bash -c '! grep -q "^E: " "$1"' _ "$work/lintian"
else
  echo "  skip lintian: not installed"
fi

echo "== Install with apt-get"
if dpkg-query -W -f='${Status}' quen 2>/dev/null | grep -q "install ok installed"; then
  echo "  quen is installed already; removing it first"
  $sudo apt-get remove -y -qq quen >/dev/null
fi
cp "$deb" "$work/"
(cd "$work" && $sudo apt-get install -y -qq ./quen_*.deb >"$work/apt.log" 2>&1) ||
  { cat "$work/apt.log"; echo "FAIL: apt-get install"; exit 1; }
installed=1
check "quen on PATH is /usr/bin/quen" test "$(command -v quen)" = /usr/bin/quen
check "quen --version: quen $version" test "$(quen --version)" = "quen $version"
check "quen-capture on PATH is /usr/bin/quen-capture" \
  test "$(command -v quen-capture)" = /usr/bin/quen-capture
if command -v nm >/dev/null; then
  check "installed demo exports VornGFX::GetBpp" \
    bash -c 'nm -D -C /usr/libexec/quen/quen | grep -q "VornGFX::GetBpp()"'
fi

echo "== quen-capture from the installed files"
# In an empty folder and in the installed assets folder, silently, the build tree's frame.
mkdir -p "$work/elsewhere"
check "quen-capture --at 13000 in an empty folder, nothing on stderr" bash -c \
  'cd "$1" && quen-capture --at 13000 --out frames 2>err && test ! -s err' _ "$work/elsewhere"
(cd /usr/share/quen && quen-capture --at 13000 --out "$work/here" 2>/dev/null) || true
"$build/quen-capture" --assets "$src/assets" --at 13000 --out "$work/tree" 2>/dev/null || true
png=$work/elsewhere/frames/13000.png
check "same frame in /usr/share/quen" cmp -s "$png" "$work/here/13000.png"
check "same frame as the build tree's quen-capture" cmp -s "$png" "$work/tree/13000.png"
check "--help names /usr/share/quen before its options" \
  bash -c 'quen-capture --help | sed -n "1,/^  --at /p" | grep -q "/usr/share/quen"'

echo "== quen launcher"
check "quen --help names /usr/share/quen" bash -c 'quen --help | grep -qx "  /usr/share/quen"'
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
  . "$src/tests/lib.sh"
  start_x 1024x768 "$work"
  (cd "$work" && SDL_AUDIODRIVER=dummy exec quen --scale 1 2>"$work/quen.err") &
  pid=$!
  wid=$(wait_for_window "$pid") || true
  check "window titled Quen/XDL" test -n "$wid"
  check "demo runs in /usr/share/quen" test "$(readlink /proc/$pid/cwd)" = /usr/share/quen
  check "demo is /usr/libexec/quen/quen" test "$(readlink /proc/$pid/exe)" = /usr/libexec/quen/quen
  sleep 1
  [ -n "$wid" ] && xdotool key --window "$wid" Escape
  wait_for_exit "$pid" 2
  kill "$xserver"
  check "Escape ends it with status 0" test "$exit_status" = 0
  check "took its files from /usr/share/quen, in one line" test "$(cat "$work/quen.err")" = \
    "quen: taking the pictures and music from /usr/share/quen (none in $work)"
  sed 's/^/  | /' "$work/quen.err"
else
  echo "  skip window check: Xvfb or xdotool missing"
fi

echo "== Man pages, desktop entry, icon"
if grep -rqs '^path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg.d/; then
  # Slim container images tell dpkg to leave man pages out.
  echo "  skip man: dpkg here excludes /usr/share/man (see /etc/dpkg/dpkg.cfg.d/)"
elif command -v man >/dev/null; then
  for page in quen quen-capture; do
    where=$(man -w "$page" 2>/dev/null || true)
    check "man -w $page: $where" test "$where" = "/usr/share/man/man6/$page.6.gz"
    check "man $page renders without warnings" \
      bash -c 'out=$(MANWIDTH=80 man --warnings -P cat "$1" 2>&1 >/dev/null); [ -z "$out" ] ||
               { echo "$out"; false; }' _ "$page"
  done
else
  echo "  skip man: man-db missing"
fi
if command -v desktop-file-validate >/dev/null; then
  check "desktop-file-validate quen.desktop prints nothing" \
    bash -c 'test -z "$(desktop-file-validate /usr/share/applications/quen.desktop 2>&1)"'
else
  echo "  skip desktop-file-validate: desktop-file-utils missing"
fi
desktop=/usr/share/applications/quen.desktop
check "desktop entry runs quen, no terminal" \
  bash -c 'grep -qx "Exec=quen" "$1" && grep -qx "Terminal=false" "$1"' _ "$desktop"
icon=$(sed -n 's/^Icon=//p' "$desktop")
check "icon $icon in hicolor" test -f "/usr/share/icons/hicolor/48x48/apps/$icon.png"

echo "== Remove with apt-get"
$sudo apt-get remove -y -qq quen >/dev/null 2>&1
installed=0
check "package removed" bash -c '! dpkg-query -W -f="\${Status}" quen 2>/dev/null |
                                  grep -q "install ok installed"'
for f in /usr/bin/quen /usr/bin/quen-capture /usr/libexec/quen /usr/share/quen \
         /usr/share/applications/quen.desktop /usr/share/man/man6/quen.6.gz; do
  check "$f gone" test ! -e "$f"
done

echo "== cmake --install into a scratch prefix"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
(cd "$work" && "$work/prefix/bin/quen-capture" --at 13000 --out staged 2>/dev/null) || true
check "prefix/bin/quen-capture finds prefix/share/quen" cmp -s "$png" "$work/staged/13000.png"
# Its folder of pictures and music gone: one line naming it and how to run the show, before the
# display is looked for (there is none here).
mv "$work/prefix/share/quen" "$work/moved"
status=0
(cd "$work" && exec env -u DISPLAY -u WAYLAND_DISPLAY "$work/prefix/bin/quen") >"$work/out" \
  2>"$work/err" || status=$?
check "without its folder: the line naming it, then no display" bash -c \
  'test "$1" = 1 && test ! -s "$2" && test "$(wc -l <"$3")" = 2 &&
   grep -q "^quen: the pictures and music are in none of $4, $4/prefix/share/quen; " "$3"' \
  _ "$status" "$work/out" "$work/err" "$work"
sed 's/^/  | /' "$work/err"

echo
if [ "$failures" -ne 0 ]; then
  echo "FAIL: $failures check(s) failed"
  exit 1
fi
echo "PASS"
