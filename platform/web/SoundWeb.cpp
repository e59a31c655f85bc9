// Sound on the web: the page's WebAudio context (Module.quenAudio) decodes the whole MP3 with
// decodeAudioData, and an AudioBufferSourceNode loops it sample-exactly. Decoding is awaited
// (ASYNCIFY), so start-up finishes, and StartTick is taken, only once the music plays. The page
// decodes the music while it loads, before any user gesture, and hands the result in as
// Module.quenDecodedMusic ({name, size, buffer}); a file of that name and size is not decoded
// again. A browser plays sound only once the visitor has done something on the page, so the
// page starts the program first and lets playback begin when the visitor starts the show: start-up
// has then loaded everything, and the show's first frame follows at once. The source goes into
// Module.quenAudioOutput, a node the page routes to the speakers.
//
// The music follows the show's clock: its place is the time the clock has run since playback
// began, modulo its length, as if it had played on through the launcher's start offset, a frozen
// tab or a suspended audio context. After each frame the page shows, the service tells the page
// the clock's reading (Module.quenMusicClock), and the music is moved there if it has strayed
// further than a stall would leave it; the page checks again, from the clock read last and the
// time since, on its own timer and when the audio context starts again (Module.quenMusicSync),
// for when frames do not come (a tab just woken).
#include "platform/sys/Clock.h"
#include "platform/sys/Files.h"
#include "platform/sys/Sound.h"
#include "platform/web/WebMusic.h"

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
bool playing = false;
std::uint32_t playbackBegan = 0; // the clock when playback began

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

// The page's view of the music: Module.quenMusicPosition(), its place in seconds into the track
// from the audio context's clock; Module.quenMusicStartAt(from), playback from `from` seconds on
// (past the end of a track that does not loop: nothing); Module.quenMusicSync(), the check that
// moves it to where the clock says, or leaves it where it cannot be told (the context not
// running: nothing plays then, and the check after it runs again puts it right).
EM_JS(void, DefineMusicControls, (), {
    Module['quenMusicPosition'] = function()
    {
        const music = Module['quenMusic'];
        if (!music || !music.source)
            return NaN;
        const played = music.from + (Module['quenAudio'].currentTime - music.at);
        return music.loop ? played % music.buffer.duration : played;
    };
    Module['quenMusicStartAt'] = function(from)
    {
        const audio = Module['quenAudio'];
        const music = Module['quenMusic'];
        if (music.source)
        {
            music.source.stop();
            music.source.disconnect();
            music.source = null;
        }
        if (from >= music.buffer.duration)
            return;
        const source = audio.createBufferSource();
        source.buffer = music.buffer;
        source.loop = music.loop;
        source.connect(Module['quenAudioOutput'] || audio.destination);
        source.start(0, from);
        music.source = source;
        music.at = audio.currentTime;
        music.from = from;
    };
    Module['quenMusicSync'] = function()
    {
        const music = Module['quenMusic'];
        const clock = Module['quenMusicClock'];
        if (!music || !clock || Module['quenAudio'].state != 'running')
            return;
        const due = clock.due + (performance.now() - clock.at) / 1000;
        const length = music.buffer.duration;
        const target = music.loop ? due % length : due;
        if (!music.source)
        {
            if (target < length)
                Module['quenMusicStartAt'](target);
            return;
        }
        let off = Module['quenMusicPosition']() - target;
        if (music.loop)
            off = ((off % length) + length * 1.5) % length - length / 2;
        if (Math.abs(off) > 0.15)
            Module['quenMusicStartAt'](target);
    };
});

EM_JS(void, StartMusicAt, (double from), { Module['quenMusicStartAt'](from); });

// The clock's reading, `due` seconds after playback began, and the check.
EM_JS(void, SyncMusic, (double due), {
    Module['quenMusicClock'] = {due : due, at : performance.now()};
    Module['quenMusicSync']();
});

EM_JS(void, StopMusic, (), {
    const music = Module['quenMusic'];
    if (music && music.source)
    {
        music.source.stop();
        music.source.disconnect();
    }
    Module['quenMusic'] = null;
    Module['quenMusicClock'] = null;
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
    if (music == nullptr)
        return;
    // Playback begins now: the show takes StartTick right after.
    DefineMusicControls();
    StartMusicAt(0);
    playbackBegan = sys::TickCount();
    playing = true;
}

void CloseMusic(Music* music)
{
    if (music != nullptr)
        StopMusic();
    playing = false;
}

void CloseAudio()
{
    audioOpen = false; // the context belongs to the page, which plays the show again with it
}

} // namespace sys

namespace web
{

void KeepMusicInStep()
{
    if (!playing)
        return;
    SyncMusic((sys::TickCount() - playbackBegan) / 1000.0);
}

} // namespace web
