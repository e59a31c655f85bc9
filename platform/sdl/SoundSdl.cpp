// Sound over SDL's audio device: the music is decoded (platform/music/MusicDecoder) in SDL's audio
// thread as the device asks for sound, looping by itself, in step with the show's clock: after
// the launcher's start offset or a stall it plays on from where the clock says, and while the
// clock is held it is silent.
#include "platform/music/MusicDecoder.h"
#include "platform/sys/Clock.h"
#include "platform/sys/Sound.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <dlfcn.h>

struct sys::Music
{
    std::shared_ptr<const music::Track> track;
    bool loop;
    std::unique_ptr<music::ClockedPlayer> player;
};

namespace
{

SDL_AudioDeviceID device = 0;
int outputRate = 44100;
// What the audio thread plays; changed only with the device locked.
music::ClockedPlayer* playing = nullptr;

void FillAudio(void*, Uint8* stream, int bytes)
{
    if (playing != nullptr)
        playing->Read(reinterpret_cast<std::int16_t*>(stream), std::size_t(bytes) / 4,
                      sys::TickCount(), sys::TicksHeld(), sys::TickJumps());
    else
        std::memset(stream, 0, std::size_t(bytes));
}

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
    outputRate = rate;
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 2048;
    want.callback = FillAudio;
    // SDL converts to whatever the device takes.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
    {
        device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        if (device == 0)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    if (device == 0)
        std::fprintf(stderr, "quen: no audio output (%s); the show runs silently\n",
                     SDL_GetError());
    return device != 0;
}

Music* OpenMusic(const char* file, bool loop)
{
    // Opened and checked also without a device, so that a bad file is reported all the same.
    std::shared_ptr<const music::Track> track = music::Track::Load(file, outputRate);
    return track != nullptr ? new Music{std::move(track), loop, nullptr} : nullptr;
}

void PlayMusic(Music* music)
{
    if (music == nullptr || device == 0)
        return;
    // Playback starts now: the show takes StartTick right after.
    auto player = std::make_unique<music::ClockedPlayer>(music->track, music->loop,
                                                         sys::TickCount(), sys::TickJumps());
    SDL_LockAudioDevice(device);
    playing = player.get();
    music->player = std::move(player);
    SDL_UnlockAudioDevice(device);
    SDL_PauseAudioDevice(device, 0);
}

void CloseMusic(Music* music)
{
    if (music == nullptr)
        return;
    if (device != 0)
    {
        SDL_LockAudioDevice(device);
        if (playing == music->player.get())
            playing = nullptr;
        SDL_UnlockAudioDevice(device);
    }
    delete music;
}

void CloseAudio()
{
    if (device == 0)
        return;
    SDL_CloseAudioDevice(device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    device = 0;
}

} // namespace sys
