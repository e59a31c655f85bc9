#!/usr/bin/env bash
# The sound path of the Windows build under Wine: the shipped music decoded through ACM to the
# length and the samples that ffmpeg decodes; the FMOD calls over waveOut, without an audio
# device; files that are not music.
set -euo pipefail
test=$1 assets=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The reference decoded by ffmpeg, which cuts the encoder's delay and padding as the tag says.
ffmpeg -v error -i "$assets/zeft.mp3" -f s16le -ac 2 -c:a pcm_s16le "$work/zeft.raw"
# No sound card in CI, so the silent path is taken. (ALSA's own complaints are left out.)
wine "$test" "$assets/zeft.mp3" "$work/zeft.raw" 2> >(grep -v '^ALSA lib' >&2)
