// Sound service: one looping music stream. The sound-library stand-in (platform/fmod-standin) is
// its only caller. platform/sdl decodes with libmpg123 and plays through SDL's audio device,
// platform/windows through ACM and waveOut, platform/web through WebAudio; platform/headless
// checks the file as platform/sdl does but plays nothing.
#pragma once

namespace sys
{

struct Music;

// FSOUND_Init: opens audio output at `rate` Hz, stereo. Without a sound device the SDL service
// says so in one line and opens SDL's silent driver instead, so that music files are still
// checked; it returns false only when no output at all, silent or not, could be opened. Every
// later call still works then and plays nothing.
bool OpenAudio(int rate);

// FSOUND_Stream_OpenFile: opens a music file for playback. Returns null, after one line on
// stderr naming the file, when it is missing or cannot be decoded.
Music* OpenMusic(const char* file, bool loop);

// FSOUND_Stream_Play: starts playback; it goes on by itself. Accepts null. In a web page it
// first waits until the visitor has started the show (a browser plays sound only after that).
void PlayMusic(Music* music);

// FSOUND_Stream_Close: stops and frees the stream. Accepts null.
void CloseMusic(Music* music);

// FSOUND_Close: closes audio output.
void CloseAudio();

} // namespace sys
