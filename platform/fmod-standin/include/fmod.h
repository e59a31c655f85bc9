// The five calls of the FMOD 3 sound library that the demo makes, with FMOD's names and
// signatures, over the platform's sound service.
#pragma once

#if defined(_WIN32)
#define F_API __stdcall
#else
#define F_API
#endif

typedef struct FSOUND_STREAM FSOUND_STREAM;

#define FSOUND_LOOP_OFF 0x00000001
#define FSOUND_LOOP_NORMAL 0x00000002
#define FSOUND_FREE -1

// Opens audio output: mixing rate in Hz, number of software channels, flags.
signed char F_API FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int flags);
// Opens a music file as a stream; mode FSOUND_LOOP_NORMAL loops it. Null when it cannot.
FSOUND_STREAM* F_API FSOUND_Stream_OpenFile(const char* filename, unsigned int mode, int lenbytes);
// Starts the stream on a channel; playback then needs no further call. Returns the channel.
int F_API FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream);
// Stops and frees the stream.
signed char F_API FSOUND_Stream_Close(FSOUND_STREAM* stream);
// Closes audio output.
void F_API FSOUND_Close();
