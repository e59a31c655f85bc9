// Sound over SDL_mixer: the music stream plays in SDL's audio thread, looping by itself.
#include "platform/sdl/MixerMusic.h"
#include "platform/sys/Sound.h"

#include <cstdio>
#include <dlfcn.h>

struct sys::Music
{
    Mix_Music* music;
    bool loop;
};

namespace
{

bool mixerOpen = false;

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// On a machine without a sound card, ALSA's library prints a screenful of its own errors while
// SDL looks for a device. SDL loads the library at run time; loading it first and giving it a
// silent error handler leaves the demo's one line as the only report.
void QuietAlsa()
{
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    static void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
    if (alsa == nullptr)
        return;
    if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
        set(IgnoreAlsaError);
}

} // namespace

namespace sys
{

bool OpenAudio(int rate)
{
    QuietAlsa();
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
