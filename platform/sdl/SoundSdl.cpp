// Sound over SDL_mixer: the music stream plays in SDL's audio thread, looping by itself.
#include "platform/MixerMusic.h"
#include "platform/sys/Sound.h"

#include <cstdio>

struct sys::Music
{
    Mix_Music* music;
    bool loop;
};

namespace
{
bool mixerOpen = false;
} // namespace

namespace sys
{

bool OpenAudio(int rate)
{
    std::string error;
    mixerOpen = mixer::Open(nullptr, rate, error);
    if (!mixerOpen)
    {
        std::fprintf(stderr, "quen: no audio output (%s); the show runs silently\n", error.c_str());
        // Without a device the music file is still opened and checked, on SDL's silent driver.
        mixerOpen = mixer::Open("dummy", rate, error);
    }
    return mixerOpen;
}

Music* OpenMusic(const char* file, bool loop)
{
    if (!mixerOpen)
        return nullptr;
    Mix_Music* music = mixer::Load(file);
    return music != nullptr ? new Music{music, loop} : nullptr;
}

void PlayMusic(Music* music)
{
    if (music != nullptr)
        Mix_PlayMusic(music->music, music->loop ? -1 : 0);
}

void CloseMusic(Music* music)
{
    if (music == nullptr)
        return;
    Mix_HaltMusic();
    Mix_FreeMusic(music->music);
    delete music;
}

void CloseAudio()
{
    if (mixerOpen)
        mixer::Close();
    mixerOpen = false;
}

} // namespace sys
