#!/usr/bin/env bash
# The sound path of the Windows build under Wine: the shipped music decoded through ACM to the
# length and the samples that ffmpeg decodes; the FMOD calls over waveOut, with or without an
# audio device; files that are not music; and, through an ALSA device that records, that the
# device receives the music from its first sample on and loops it without a gap.
set -euo pipefail
test=$1 assets=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/alsa_capture.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# References decoded by ffmpeg, which cuts the encoder's delay and padding as the tag says.
ffmpeg -v error -i "$assets/zeft.mp3" -f s16le -ac 2 -c:a pcm_s16le "$work/zeft.raw"
# A short loop whose every period is different (a rising tone), so that a misplaced loop point
# shows.
ffmpeg -v error -f lavfi -i "aevalsrc=0.4*sin(2*PI*(300+500*t)*t)|0.3*sin(2*PI*(700-300*t)*t):s=44100:d=1.3" \
  -c:a libmp3lame -b:a 160k "$work/loop.mp3"
ffmpeg -v error -i "$work/loop.mp3" -f s16le -ac 2 -c:a pcm_s16le "$work/loop.raw"

status=0
# The machine's own audio output: none in CI (no sound card), so the silent path is taken.
# (ALSA's own complaints about the missing card are left out.)
wine "$test" "$assets/zeft.mp3" "$work/zeft.raw" 2> >(grep -v '^ALSA lib' >&2) || status=1
# Through the recording device: what reaches it, for the shipped music and for the short loop.
alsa_capture "$work/zeft-played.raw"
wine "$test" --play "$assets/zeft.mp3" 1000 || status=1
wine "$test" --played "$work/zeft-played.raw" "$work/zeft.raw" || status=1
alsa_capture "$work/loop-played.raw"
wine "$test" --play "$work/loop.mp3" 1500 || status=1
wine "$test" --played "$work/loop-played.raw" "$work/loop.raw" || status=1
exit $status
