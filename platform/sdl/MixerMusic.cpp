#include "platform/sdl/MixerMusic.h"

#include <SDL.h>
#include <dlfcn.h>
#include <mpg123.h>

#include <cstdio>
#include <cstring>

// SDL_mixer decodes MP3 with libmpg123, which by default prints its own notes about damaged
// files on stderr ("Giving up searching valid MPEG header", "Xing stream size off"), also from
// the audio thread while a damaged stream plays. SDL_mixer gives no access to its decoder
// handles, so their creation is wrapped here: every handle is made quiet, and the demo's one
// line stays the only report about a bad music file. Where SDL_mixer loads libmpg123 at run
// time instead of linking it, this wrapper is not reached and only the notes come back.
extern "C" mpg123_handle* mpg123_new(const char* decoder, int* error)
{
    using NewFn = mpg123_handle* (*)(const char*, int*);
    using ParamFn = int (*)(mpg123_handle*, int, long, double);
    static const auto realNew = reinterpret_cast<NewFn>(dlsym(RTLD_NEXT, "mpg123_new"));
    static const auto param = reinterpret_cast<ParamFn>(dlsym(RTLD_NEXT, "mpg123_param2"));
    if (realNew == nullptr)
    {
        if (error != nullptr)
            *error = MPG123_ERR;
        return nullptr;
    }
    mpg123_handle* handle = realNew(decoder, error);
    if (handle != nullptr && param != nullptr)
        param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    return handle;
}

namespace
{

// SDL_mixer picks the decoder by the file name's extension. A WAV file saved under the music's
// name is recognised by its content instead, as FMOD does, if its format chunk describes sound
// that can be played: 1 to 8 channels at 8 to 192 kHz (absurd rates reach SDL's resampler as
// absurd buffer sizes). Other formats are not guessed at: SDL_mixer's own guessing would hand
// any unknown file to its module player.
bool IsPlayableWav(SDL_RWops* file)
{
    auto le = [](const unsigned char* p, int bytes)
    {
        Uint32 v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = v << 8 | p[i];
        return v;
    };
    unsigned char head[12];
    bool playable = false;
    if (SDL_RWread(file, head, 1, sizeof head) == sizeof head &&
        std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0)
    {
        unsigned char chunk[8], format[16];
        for (int i = 0; i < 16 && SDL_RWread(file, chunk, 1, 8) == 8; ++i) // chunks before "fmt "
        {
            const Uint32 size = le(chunk + 4, 4);
            if (std::memcmp(chunk, "fmt ", 4) == 0)
            {
                if (size >= 16 && SDL_RWread(file, format, 1, 16) == 16)
                {
                    const Uint32 channels = le(format + 2, 2), rate = le(format + 4, 4);
                    playable = channels >= 1 && channels <= 8 && rate >= 8000 && rate <= 192000;
                }
                break;
            }
            if (SDL_RWseek(file, Sint64{size} + (size & 1), RW_SEEK_CUR) < 0)
                break;
        }
    }
    SDL_RWseek(file, 0, RW_SEEK_SET);
    return playable;
}

} // namespace

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
    if (music != nullptr)
        return music;
    std::string reason = Mix_GetError();
    SDL_RWops* probe = file != nullptr ? SDL_RWFromFile(file, "rb") : nullptr;
    if (probe == nullptr)
        reason = "file not found";
    else if (SDL_RWsize(probe) == 0)
        reason = "empty file";
    else if (IsPlayableWav(probe))
    {
        music = Mix_LoadMUS_RW(probe, 1); // closes the file, whatever the outcome
        probe = nullptr;
        if (music != nullptr)
            return music;
        reason = Mix_GetError();
    }
    if (probe != nullptr)
        SDL_RWclose(probe);
    std::fprintf(stderr, "quen: cannot open music \"%s\": %s; the show runs silently\n",
                 file != nullptr ? file : "(null)", reason.c_str());
    return nullptr;
}

void Close()
{
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

} // namespace mixer
