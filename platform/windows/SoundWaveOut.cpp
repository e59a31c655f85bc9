// Sound over waveOut: the music is decoded whole when it is opened (platform/windows/Mp3Acm)
// and handed to the wave mapper as one buffer marked as a loop, which the system plays on its
// own thread, over and over, with no further call. Where the launcher starts the show later
// (--start), the rest of the pass from there goes first. Nothing takes its time from the
// playback position.
#include "platform/sys/Clock.h"
#include "platform/sys/Sound.h"
#include "platform/windows/Mp3Acm.h"

#include <windows.h>

#include <mmsystem.h>

#include <cstdio>

struct sys::Music
{
    acm::Pcm pcm;
    bool loop = false;
    HWAVEOUT device = NULL;
    WAVEHDR header = {}; // the whole music, looped
    WAVEHDR lead = {};   // before it, from the start offset to the end of the first pass
};

namespace
{

bool audioOpen = false;

WAVEFORMATEX PcmFormat(int rate, int channels)
{
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(2 * channels);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    return format;
}

} // namespace

namespace sys
{

bool OpenAudio(int rate)
{
    // Asks whether some output device can play 16-bit stereo at `rate`; the device itself is
    // opened when the music starts, at the music's own format.
    WAVEFORMATEX format = PcmFormat(rate, 2);
    const MMRESULT query =
        waveOutGetNumDevs() == 0
            ? MMRESULT{MMSYSERR_NODRIVER}
            : waveOutOpen(NULL, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL | WAVE_FORMAT_QUERY);
    audioOpen = query == MMSYSERR_NOERROR;
    if (!audioOpen)
        std::fprintf(stderr, "quen: no audio output (waveOut error %u); the show runs silently\n",
                     static_cast<unsigned>(query));
    return audioOpen;
}

Music* OpenMusic(const char* file, bool loop)
{
    // The file is checked and decoded even without an audio device, as on every platform.
    auto* music = new Music;
    std::string error;
    if (file == nullptr || !acm::DecodeMp3File(file, music->pcm, error))
    {
        std::fprintf(stderr, "quen: cannot open music \"%s\": %s; the show runs silently\n",
                     file != nullptr ? file : "(null)",
                     file != nullptr ? error.c_str() : "no name");
        delete music;
        return nullptr;
    }
    music->loop = loop;
    return music;
}

void PlayMusic(Music* music)
{
    if (music == nullptr || !audioOpen || music->device != NULL)
        return;
    WAVEFORMATEX format = PcmFormat(music->pcm.rate, music->pcm.channels);
    if (waveOutOpen(&music->device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
    {
        music->device = NULL;
        std::fprintf(stderr, "quen: cannot start the music; the show runs silently\n");
        return;
    }
    // The start offset: the first pass from where the show will begin.
    const std::size_t frames = music->pcm.Frames();
    const std::size_t from = frames > 0
                                 ? std::size_t(std::uint64_t(sys::PendingStartOffset()) *
                                               std::uint64_t(music->pcm.rate) / 1000 % frames)
                                 : 0;
    WAVEHDR& lead = music->lead;
    lead = {};
    if (from > 0 && music->loop)
    {
        lead.lpData =
            reinterpret_cast<LPSTR>(music->pcm.samples.data() + from * music->pcm.channels);
        lead.dwBufferLength =
            static_cast<DWORD>((frames - from) * music->pcm.channels * sizeof(std::int16_t));
        if (waveOutPrepareHeader(music->device, &lead, sizeof(lead)) != MMSYSERR_NOERROR)
            lead.dwBufferLength = 0;
        else if (waveOutWrite(music->device, &lead, sizeof(lead)) != MMSYSERR_NOERROR)
        {
            waveOutUnprepareHeader(music->device, &lead, sizeof(lead));
            lead.dwBufferLength = 0; // the music then starts from its beginning
        }
    }
    WAVEHDR& header = music->header;
    header = {};
    header.lpData = reinterpret_cast<LPSTR>(music->pcm.samples.data());
    header.dwBufferLength = static_cast<DWORD>(music->pcm.samples.size() * sizeof(std::int16_t));
    if (music->loop)
    {
        header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
        header.dwLoops = 0xFFFFFFFF; // about 2^32 times the length of the music: for ever
    }
    if (waveOutPrepareHeader(music->device, &header, sizeof(header)) != MMSYSERR_NOERROR ||
        waveOutWrite(music->device, &header, sizeof(header)) != MMSYSERR_NOERROR)
    {
        waveOutReset(music->device);
        waveOutUnprepareHeader(music->device, &header, sizeof(header));
        if (lead.dwBufferLength != 0)
            waveOutUnprepareHeader(music->device, &lead, sizeof(lead));
        waveOutClose(music->device);
        music->device = NULL;
        std::fprintf(stderr, "quen: cannot start the music; the show runs silently\n");
    }
}

void CloseMusic(Music* music)
{
    if (music == nullptr)
        return;
    if (music->device != NULL)
    {
        // Reset returns the buffer at once, done, so that it can be unprepared and freed.
        waveOutReset(music->device);
        waveOutUnprepareHeader(music->device, &music->header, sizeof(music->header));
        if (music->lead.dwBufferLength != 0)
            waveOutUnprepareHeader(music->device, &music->lead, sizeof(music->lead));
        waveOutClose(music->device);
    }
    delete music;
}

void CloseAudio()
{
    audioOpen = false;
}

} // namespace sys
