#!/usr/bin/env bash
# Makes the seed corpora of the fuzz targets from a fuzz build:
#   OUT/jpeg   small pictures of every JPEG flavour, a PNG, an oversized header;
#   OUT/music  slices of the project's soundtrack (its start with the encoder's tag, a piece of
#              its middle, the start behind an ID3v2 tag) and a short WAV;
#   OUT/args   capture command lines, arguments separated by NUL bytes.
# Usage: fuzz/make-seed-corpus.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=${1:?usage: make-seed-corpus.sh BUILD_DIR OUT_DIR}
out=${2:?usage: make-seed-corpus.sh BUILD_DIR OUT_DIR}
root=$(cd "$(dirname "$0")/.." && pwd)
mp3="$root/assets/zeft.mp3"

mkdir -p "$out/jpeg" "$out/music" "$out/args"
"$build/fuzz/quen-fuzz-seeds" "$out/jpeg" "$out/music"
head -c 4096 "$mp3" >"$out/music/start.mp3"
dd if="$mp3" of="$out/music/middle.mp3" bs=3000 skip=200000 count=1 iflag=skip_bytes status=none
{
  # ID3v2.3 header: no flags, 10 bytes of tag (sync-safe size), then padding.
  printf 'ID3\003\000\000\000\000\000\012'
  head -c 10 /dev/zero
  dd if="$mp3" bs=2048 count=1 status=none
} >"$out/music/id3.mp3"
printf -- '--at\0000,5000,13000\000--out\000frames\000--assets=a' >"$out/args/stills"
printf -- '--at\000@times\000--out=f' >"$out/args/file"
printf -- '--video\000v.mkv\000--fps\00030\000--seconds\0002.5\000--scale=3\000--verbose' \
  >"$out/args/video"
printf -- '0 5000\n13000, 60000\n' >"$out/args/times"
echo "seeds: $(ls "$out/jpeg" | wc -l) pictures, $(ls "$out/music" | wc -l) music files," \
  "$(ls "$out/args" | wc -l) command lines in $out"
