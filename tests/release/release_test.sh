#!/usr/bin/env bash
# The release as people download it: SHA256SUMS checks with sha256sum -c; each file carries the
# version in its name and is the build it came from; each zip holds one folder with what it
# should and nothing else; and the Windows zip, unzipped into an empty folder, plays there under
# Wine as by a double-click (started in its own folder): a window showing the Linux build's
# frame of the same moment, made from the zip's own files, the music reaching the audio device,
# Escape ending it with exit code 0.
#
# Usage: release_test.sh RELEASE_DIR LINUX_BUILD WINDOWS_BUILD WEB_BUILD
set -uo pipefail
release=$(realpath "$1") linux=$(realpath "$2") windows=$(realpath "$3") web=$(realpath "$4")

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../windows/alsa_capture.sh"
. "$here/../lib.sh"
use_work

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux/CMakeCache.txt")
echo "release $version in $release"
shows="initial.jpg j1.jpg j2.jpg j3.jpg scroller.jpg zeft.mp3"
wzip=quen-$version-windows.zip webzip=quen-$version-web.zip page=quen-$version.html
deb=quen_${version}_amd64.deb

# The files and their sums.
listed=$(cd "$release" && ls | LC_ALL=C sort | tr '\n' ' ')
expected=$(printf '%s\n' SHA256SUMS "$wzip" "$webzip" "$page" "$deb" | LC_ALL=C sort | tr '\n' ' ')
echo "files: $listed"
[ "$listed" = "$expected" ] || fail "the release holds $listed, not $expected"
(cd "$release" && sha256sum -c --strict SHA256SUMS) || fail "sha256sum -c SHA256SUMS"
[ "$(wc -l <"$release/SHA256SUMS")" = 4 ] || fail "SHA256SUMS does not list the four files"
cmp -s "$release/$page" "$web/quen.html" || fail "$page is not $web/quen.html"
cmp -s "$release/$deb" "$linux/$deb" || fail "$deb is not $linux/$deb"
[ "$(dpkg-deb -f "$release/$deb" Version)" = "$version" ] || fail "$deb is not version $version"

# listing ZIP: the zip's files, one a line, in name order.
listing() { unzip -Z1 "$release/$1" | LC_ALL=C sort; }
# Windows: the program, the six files, the licence and the README, in quen-VERSION-windows/.
want=$(for f in quen.exe $shows LICENSE.txt README.txt; do echo "quen-$version-windows/$f"; done |
  LC_ALL=C sort)
[ "$(listing "$wzip")" = "$want" ] ||
  fail "$wzip holds: $(listing "$wzip" | tr '\n' ' ')"
# The web site: every file of the built site, in quen-VERSION-web/.
want=$(cd "$web/site" && find . -type f | sed "s|^\./|quen-$version-web/|" | LC_ALL=C sort)
[ "$(listing "$webzip")" = "$want" ] ||
  fail "$webzip is not the site: $(diff <(echo "$want") <(listing "$webzip") | grep '^[<>]' | tr '\n' ' ')"
for f in index.html $shows; do
  grep -qx "quen-$version-web/$f" <<<"$want" || fail "the site has no $f"
done

# The Windows zip unzipped where nothing else is, and played from its folder.
mkdir "$work/unzipped"
unzip -q "$release/$wzip" -d "$work/unzipped" || fail "unzip $wzip"
folder=$work/unzipped/quen-$version-windows
cmp -s "$folder/quen.exe" "$windows/quen.exe" || fail "the zip's quen.exe is not $windows/quen.exe"
grep -q "^Quen/XDL $version for Windows" "$folder/README.txt" || fail "README.txt names no version"
export WINEPREFIX=$windows/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
bash "$here/../windows/wine_prefix.sh" "$WINEPREFIX" || { fail "no Wine prefix"; finish; }
cd "$folder" || { fail "no folder quen-$version-windows in the zip"; finish; }
alsa_capture "$work/audio.raw"
wine quen.exe 2>"$work/stderr" &
pid=$!
wid=$(wait_for_window "$pid" 15) || { fail "no window titled Quen/XDL within 15 s"; finish; }
shoot_window "$(now_ms)"
escape_ends "$pid" "$wid" "$work/audio.raw"
ms=$(frame_of "$work/shot.png" "$linux/quen-capture" "$folder" "$last")
echo "the screenshot is the Linux frame of ${ms:-none of} ms (steps 0-$last)"
# Step 0 is black; from step 1 on the wipe shows columns of the zip's first picture.
[ -n "$ms" ] && ((ms / 50 >= 1)) || fail "the screenshot is no frame of the reveal wipe"
cd /
wineserver -w
finish
