// Headless sound: music files are opened and checked through SDL_mixer on SDL's silent audio
// driver, exactly as the demo opens them, and never played.
#include "platform/sdl/MixerMusic.h"
#include "platform/headless/Headless.h"
#include "platform/sys/Sound.h"

struct sys::Music
{
    Mix_Music* music;
};

namespace
{
bool mixerOpen = false;
int playing = 0;
} // namespace

namespace headless
{
int MusicPlaying()
{
    return playing;
}
} // namespace headless

namespace sys
{

bool OpenAudio(int rate)
{
    std::string error;
    mixerOpen = mixer::Open("dummy", rate, error);
    return mixerOpen;
}

Music* OpenMusic(const char* file, bool)
{
    if (!mixerOpen)
        return nullptr;
    Mix_Music* music = mixer::Load(file);
    return music != nullptr ? new Music{music} : nullptr;
}

void PlayMusic(Music* music)
{
    if (music != nullptr)
        ++playing;
}

void CloseMusic(Music* music)
{
    if (music == nullptr)
        return;
    --playing;
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
