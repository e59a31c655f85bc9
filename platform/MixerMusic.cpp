#include "platform/MixerMusic.h"

#include <SDL.h>

#include <cstdio>

namespace mixer
{

bool Open(const char* driver, int rate, std::string& error)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
    {
        error = SDL_GetError();
        return false;
    }
    if (driver != nullptr)
    {
        SDL_AudioQuit();
        if (SDL_AudioInit(driver) != 0)
        {
            error = SDL_GetError();
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
    }
    Mix_Init(MIX_INIT_MP3);
    if (Mix_OpenAudio(rate, AUDIO_S16SYS, 2, 2048) != 0)
    {
        error = Mix_GetError();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

Mix_Music* Load(const char* file)
{
    Mix_Music* music = file != nullptr ? Mix_LoadMUS(file) : nullptr;
    if (music == nullptr)
    {
        SDL_RWops* probe = file != nullptr ? SDL_RWFromFile(file, "rb") : nullptr;
        const std::string reason = probe == nullptr ? "file not found" : Mix_GetError();
        if (probe != nullptr)
            SDL_RWclose(probe);
        std::fprintf(stderr, "quen: cannot open music \"%s\": %s; the show runs silently\n",
                     file != nullptr ? file : "(null)", reason.c_str());
    }
    return music;
}

void Close()
{
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

} // namespace mixer
