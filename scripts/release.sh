#!/usr/bin/env bash
# Puts the files to hand out in build-release/, each named with the version, from builds that
# are already made (make release makes them first):
#   quen-VERSION-windows.zip  quen.exe, the six files, LICENSE.txt and README.txt, in a folder
#                             quen-VERSION-windows/; quen.exe plays from that folder
#   quen-VERSION-web.zip      the web site (build-web/site) in a folder quen-VERSION-web/
#   quen-VERSION.html         the single-file page (build-web/quen.html)
#   quen_VERSION_amd64.deb    the Debian package (build/)
#   SHA256SUMS                the checksums of the four, for sha256sum -c
# The folder is put together beside build-release/ and renamed into place when complete, so an
# interrupted run leaves the previous release as it was. Every file in the zips carries the
# time of the last commit, so the same files give the same zips.
#
# Usage: scripts/release.sh [LINUX_BUILD WINDOWS_BUILD WEB_BUILD]  (default: build build-windows build-web)
set -euo pipefail
cd "$(dirname "$0")/.."
linux=${1:-build} windows=${2:-build-windows} web=${3:-build-web}
out=build-release

die() {
  echo "release: $*" >&2
  exit 1
}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux/CMakeCache.txt" 2>/dev/null)
[ -n "$version" ] || die "no configured build in $linux (make package)"
exe=$windows/quen.exe site=$web/site page=$web/quen.html deb=$linux/quen_${version}_amd64.deb
for file in "$exe" "$site/index.html" "$page" "$deb"; do
  [ -f "$file" ] || die "$file is missing (make windows web-single package)"
done
shows=(initial.jpg j1.jpg j2.jpg j3.jpg scroller.jpg zeft.mp3)

stage=$(mktemp -d "$PWD/$out.XXXXXX")
trap 'rm -rf "$stage"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP
stamp=@$(git log -1 --format=%ct 2>/dev/null || date +%s)

# zip_folder ZIP FOLDER: ZIP holds FOLDER (a folder of $stage) and its files in name order,
# without the owner and permission extras that say nothing on another machine.
zip_folder() {
  find "$stage/$2" -exec touch -h -d "$stamp" {} +
  (cd "$stage" && find "$2" -print | LC_ALL=C sort | TZ=UTC zip -q -X -D -@ "$1")
}
# Text for Windows: lines end in CR LF.
crlf() { sed 's/\r$//; s/$/\r/' "$@"; }

windows_dir=quen-$version-windows
mkdir "$stage/$windows_dir"
cp "$exe" "$stage/$windows_dir/quen.exe"
for file in "${shows[@]}"; do cp "assets/$file" "$stage/$windows_dir/"; done
crlf LICENSE >"$stage/$windows_dir/LICENSE.txt"
sed "s/@VERSION@/$version/" dist/README-windows.txt | crlf >"$stage/$windows_dir/README.txt"
mkdir "$stage/release"
zip_folder "release/$windows_dir.zip" "$windows_dir"

web_dir=quen-$version-web
cp -r "$site" "$stage/$web_dir"
zip_folder "release/$web_dir.zip" "$web_dir"

cp "$page" "$stage/release/quen-$version.html"
cp "$deb" "$stage/release/"
(cd "$stage/release" && sha256sum -- *.zip *.html *.deb >SHA256SUMS)

rm -rf "$out.old"
[ ! -e "$out" ] || mv "$out" "$out.old"
mv "$stage/release" "$out"
rm -rf "$out.old"
echo "release: $(cd "$out" && ls | tr '\n' ' ')in $out/"
