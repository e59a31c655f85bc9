// Sound on the web: the page's WebAudio context (Module.quenAudio) decodes the whole MP3 with
// decodeAudioData, and an AudioBufferSourceNode loops it sample-exactly. Decoding is awaited
// (ASYNCIFY), so start-up finishes, and StartTick is taken, only once the music plays. The
// source goes into Module.quenAudioOutput, a node the page routes to the speakers.
#include "platform/sys/Files.h"
#include "platform/sys/Sound.h"

#include <emscripten.h>

#include <cstdio>
#include <vector>

struct sys::Music
{
};

namespace
{

constexpr std::size_t MaxFileBytes = 256UL * 1024 * 1024;
bool audioOpen = false;
sys::Music theMusic; // the one stream the page can hold; its state lives in Module.quenMusic

EM_JS(int, HasAudioContext, (), { return Module['quenAudio'] ? 1 : 0; });

// Decodes the file's bytes; 1 on success, else 0 with the browser's reason on the console.
EM_ASYNC_JS(int, DecodeMusic, (const void* bytes, int size, int loop), {
    const audio = Module['quenAudio'];
    try
    {
        const buffer = await audio.decodeAudioData(HEAPU8.slice(bytes, bytes + size).buffer);
        Module['quenMusic'] = {buffer : buffer, loop : !!loop, source : null};
        return 1;
    }
    catch (e)
    {
        Module['quenMusicError'] = String(e && e.message || e);
        return 0;
    }
});

EM_JS(void, StartMusic, (), {
    const audio = Module['quenAudio'];
    const music = Module['quenMusic'];
    const source = audio.createBufferSource();
    source.buffer = music.buffer;
    source.loop = music.loop;
    source.connect(Module['quenAudioOutput'] || audio.destination);
    source.start();
    music.source = source;
});

EM_JS(void, StopMusic, (), {
    const music = Module['quenMusic'];
    if (music && music.source)
    {
        music.source.stop();
        music.source.disconnect();
    }
    Module['quenMusic'] = null;
});

} // namespace

namespace sys
{

bool OpenAudio(int)
{
    audioOpen = HasAudioContext() != 0;
    return audioOpen;
}

Music* OpenMusic(const char* file, bool loop)
{
    if (!audioOpen)
        return nullptr;
    std::vector<unsigned char> bytes;
    std::string error;
    if (!sys::ReadWholeFile(file, MaxFileBytes, bytes, error))
    {
        std::fprintf(stderr, "quen: cannot open music \"%s\": %s; the show runs silently\n", file,
                     error.c_str());
        return nullptr;
    }
    if (!DecodeMusic(bytes.data(), static_cast<int>(bytes.size()), loop ? 1 : 0))
    {
        std::fprintf(stderr,
                     "quen: cannot open music \"%s\": not music the browser can decode; the show "
                     "runs silently\n",
                     file);
        return nullptr;
    }
    return &theMusic;
}

void PlayMusic(Music* music)
{
    if (music != nullptr)
        StartMusic();
}

void CloseMusic(Music* music)
{
    if (music != nullptr)
        StopMusic();
}

void CloseAudio()
{
    audioOpen = false; // the context belongs to the page, which plays the show again with it
}

} // namespace sys
