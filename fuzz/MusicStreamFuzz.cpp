// libFuzzer target: the sound-library stand-in's music stream, as start-up opens and plays it
// (FSOUND_Stream_OpenFile with looping, FSOUND_Stream_Play) and shutdown closes it, on SDL's
// dummy audio driver. A stream that opens is played until the mixer has decoded a buffer of
// it, so that decoding runs too, not only the file's headers. Each input goes through a file
// named like the demo's music, because the stand-in opens by file name.
#include <fmod.h>

#include <SDL_mixer.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

namespace
{
std::string folder, file;
std::atomic<long> buffersMixed{0};

void CountBuffer(void*, Uint8*, int)
{
    buffersMixed.fetch_add(1);
}

void RemoveFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quen-fuzz-music-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        std::abort();
    folder = pattern;
    file = folder + "/zeft.mp3";
    std::atexit(RemoveFolder);

    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (!FSOUND_Init(44100, 32, 2))
        std::abort();
    // The demo's mixer settings, with short buffers: the dummy driver waits out each buffer's
    // playing time, and a short one keeps the fuzzer fast.
    Mix_CloseAudio();
    if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 256) != 0)
        std::abort();
    Mix_SetPostMix(CountBuffer, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    if (size > 0)
        std::fwrite(data, 1, size, f);
    std::fclose(f);

    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(file.c_str(), FSOUND_LOOP_NORMAL, 0);
    FSOUND_Stream_Play(0, stream);
    if (stream != nullptr)
    {
        const long target = buffersMixed.load() + 2;
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
        while (buffersMixed.load() < target && std::chrono::steady_clock::now() < give_up)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    FSOUND_Stream_Close(stream);
    return 0;
}
