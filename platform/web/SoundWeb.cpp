// Sound on the web: the page's WebAudio context (Module.quenAudio) decodes the whole MP3 with
// decodeAudioData, and an AudioBufferSourceNode loops it sample-exactly. Decoding is awaited
// (ASYNCIFY), so start-up finishes, and StartTick is taken, only once the music plays. The page
// decodes the music while it loads, before any user gesture, and hands the result in as
// Module.quenDecodedMusic ({name, size, buffer}); a file of that name and size is not decoded
// again. A browser plays sound only once the visitor has done something on the page, so the
// page starts the program first and lets playback begin when the visitor starts the show: start-up
// has then loaded everything, and the show's first frame follows at once. The source goes into
// Module.quenAudioOutput, a node the page routes to the speakers.
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

// Decodes the file's bytes, or takes the page's decoding of the same file; 1 on success, else 0.
EM_ASYNC_JS(int, DecodeMusic, (const char* name, const void* bytes, int size, int loop), {
    const audio = Module['quenAudio'];
    const decoded = Module['quenDecodedMusic'];
    try
    {
        const buffer = decoded && decoded.name == UTF8ToString(name) && decoded.size == size
                           ? decoded.buffer
                           : await audio.decodeAudioData(HEAPU8.slice(bytes, bytes + size).buffer);
        Module['quenMusic'] = {buffer : buffer, loop : !!loop, source : null};
        return 1;
    }
    catch (e)
    {
        Module['quenMusicError'] = String(e && e.message || e);
        return 0;
    }
});

// Waits for Module.quenStart, a promise the page resolves when the visitor starts the show; a
// page without one (the test entry) does not wait.
EM_ASYNC_JS(void, WaitForStart, (), {
    if (Module['quenStart'])
        await Module['quenStart'];
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
    if (!DecodeMusic(file, bytes.data(), static_cast<int>(bytes.size()), loop ? 1 : 0))
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
    if (audioOpen)
        WaitForStart();
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
