// The sound-library stand-in: the FMOD 3 stream calls mapped onto the sound service. Every call
// accepts a null stream, which plays nothing.
#include <fmod.h>

#include "platform/sys/Sound.h"

struct FSOUND_STREAM
{
    sys::Music* music;
};

signed char F_API FSOUND_Init(int mixrate, int, unsigned int)
{
    return sys::OpenAudio(mixrate) ? 1 : 0;
}

FSOUND_STREAM* F_API FSOUND_Stream_OpenFile(const char* filename, unsigned int mode, int)
{
    sys::Music* music = sys::OpenMusic(filename, (mode & FSOUND_LOOP_NORMAL) != 0);
    return music != nullptr ? new FSOUND_STREAM{music} : nullptr;
}

int F_API FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream)
{
    if (stream == nullptr)
        return -1;
    sys::PlayMusic(stream->music);
    return channel;
}

signed char F_API FSOUND_Stream_Close(FSOUND_STREAM* stream)
{
    if (stream == nullptr)
        return 0;
    sys::CloseMusic(stream->music);
    delete stream;
    return 1;
}

void F_API FSOUND_Close()
{
    sys::CloseAudio();
}
