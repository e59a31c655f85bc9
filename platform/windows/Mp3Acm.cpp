// MP3 to PCM through the Audio Compression Manager. The frames are found here, so that only
// sound frames reach the codec and the encoder's gapless information can be applied: an ACM
// codec knows nothing of it and returns every decoded sample, delays included (Wine's does).
#include "platform/windows/Mp3Acm.h"

#include "platform/sys/Files.h"

#include <windows.h>

#include <mmreg.h>
#include <msacm.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace acm
{

namespace
{

// Files larger than this are no soundtrack the demo plays.
constexpr std::size_t MaxFileBytes = 256UL * 1024 * 1024;
// Decoded sound longer than this (about 100 minutes of 44.1 kHz stereo) is refused.
constexpr std::size_t MaxSamples = std::size_t{1} << 29;
// Delay of the MP3 synthesis filter bank, the same in every decoder; gapless information
// counts it as part of the encoder's delay and padding.
constexpr int DecoderDelay = 529;

struct FrameHeader
{
    int version = 0; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    int rate = 0;
    int bitrate = 0; // kbit/s
    int channels = 0;
    int bytes = 0; // the whole frame, header included
    int samples = 0;
    int sideInfo = 0; // bytes of side information after the header (and its CRC)
    bool crc = false;
};

bool ReadHeader(const unsigned char* p, FrameHeader& h)
{
    static const int Mpeg1Rates[3] = {44100, 48000, 32000};
    static const int Mpeg1Bitrates[15] = {0,   32,  40,  48,  56,  64,  80, 96,
                                          112, 128, 160, 192, 224, 256, 320};
    static const int Mpeg2Bitrates[15] = {0,  8,  16, 24,  32,  40,  48, 56,
                                          64, 80, 96, 112, 128, 144, 160};
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    const int version = (p[1] >> 3) & 3;
    const int layer = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return false;
    const bool mpeg1 = version == 3;
    h.version = version;
    h.rate = Mpeg1Rates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    h.bitrate = (mpeg1 ? Mpeg1Bitrates : Mpeg2Bitrates)[bitrateIndex];
    h.channels = (p[3] >> 6) == 3 ? 1 : 2;
    h.samples = mpeg1 ? 1152 : 576;
    h.bytes = (mpeg1 ? 144000 : 72000) * h.bitrate / h.rate + ((p[2] >> 1) & 1);
    h.crc = (p[1] & 1) == 0;
    h.sideInfo = mpeg1 ? (h.channels == 1 ? 17 : 32) : (h.channels == 1 ? 9 : 17);
    return true;
}

bool SameStream(const FrameHeader& a, const FrameHeader& b)
{
    return a.version == b.version && a.rate == b.rate;
}

std::uint32_t BigEndian32(const unsigned char* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

// A Xing/Info or VBRI frame describes the stream and carries no sound. A LAME tag after the
// Xing fields gives the encoder's delay and padding.
bool ReadTagFrame(const unsigned char* frame, const FrameHeader& h, Mp3Layout& layout)
{
    const unsigned char* end = frame + h.bytes;
    const unsigned char* xing = frame + 4 + (h.crc ? 2 : 0) + h.sideInfo;
    if (frame + 4 + 32 + 4 <= end && std::memcmp(frame + 4 + 32, "VBRI", 4) == 0)
        return true;
    if (xing + 8 > end || (std::memcmp(xing, "Xing", 4) != 0 && std::memcmp(xing, "Info", 4) != 0))
        return false;
    const std::uint32_t flags = BigEndian32(xing + 4);
    const unsigned char* lame = xing + 8 + (flags & 1 ? 4 : 0) + (flags & 2 ? 4 : 0) +
                                (flags & 4 ? 100 : 0) + (flags & 8 ? 4 : 0);
    if (lame + 24 <= end &&
        std::all_of(lame, lame + 4, [](unsigned char c) { return c >= 0x20 && c < 0x7F; }))
    {
        layout.gapless = true;
        layout.encoderDelay = (lame[21] << 4) | (lame[22] >> 4);
        layout.encoderPadding = ((lame[22] & 0x0F) << 8) | lame[23];
    }
    return true;
}

struct AcmStream
{
    HACMSTREAM handle = NULL;
    ~AcmStream()
    {
        if (handle != NULL)
            acmStreamClose(handle, 0);
    }
};

// Runs the sound frames data[begin, end) through the codec, appending to out.samples.
bool Convert(AcmStream& stream, const std::vector<unsigned char>& data, std::size_t begin,
             std::size_t end, Pcm& out, std::string& error)
{
    constexpr DWORD SourceBytes = 16 * 1024;
    // Room for the most that SourceBytes of the lowest bit rate decode to, whatever the codec
    // estimates.
    DWORD destBytes = 0;
    if (acmStreamSize(stream.handle, SourceBytes, &destBytes, ACM_STREAMSIZEF_SOURCE) != 0)
        destBytes = 0;
    destBytes = std::max<DWORD>(destBytes, SourceBytes * 128);
    std::vector<unsigned char> source(SourceBytes), dest(destBytes);

    ACMSTREAMHEADER header = {};
    header.cbStruct = sizeof(header);
    header.pbSrc = source.data();
    header.cbSrcLength = SourceBytes;
    header.pbDst = dest.data();
    header.cbDstLength = destBytes;
    if (acmStreamPrepareHeader(stream.handle, &header, 0) != 0)
    {
        error = "cannot prepare the MP3 decoder";
        return false;
    }

    bool ok = true;
    DWORD pending = 0; // bytes in `source` that the codec has not taken yet
    std::size_t next = begin;
    DWORD flags = ACM_STREAMCONVERTF_START;
    bool endGiven = false;
    for (int idle = 0; idle < 2;)
    {
        const DWORD take =
            static_cast<DWORD>(std::min<std::size_t>(SourceBytes - pending, end - next));
        std::memcpy(source.data() + pending, data.data() + next, take);
        next += take;
        pending += take;
        const bool last = next == end;
        header.cbSrcLength = pending;
        header.cbSrcLengthUsed = 0;
        header.cbDstLengthUsed = 0;
        flags |= last ? ACM_STREAMCONVERTF_END : ACM_STREAMCONVERTF_BLOCKALIGN;
        if (acmStreamConvert(stream.handle, &header, flags) != 0)
        {
            // A codec may refuse to be called again once it has been given the end.
            if (endGiven)
                break;
            error = "the MP3 decoder failed";
            ok = false;
            break;
        }
        endGiven = endGiven || last;
        flags = 0;
        const DWORD used = std::min(header.cbSrcLengthUsed, pending);
        std::memmove(source.data(), source.data() + used, pending - used);
        pending -= used;
        const std::size_t produced = header.cbDstLengthUsed / 2;
        if (out.samples.size() + produced > MaxSamples)
        {
            error = "sound too long";
            ok = false;
            break;
        }
        const auto* samples = reinterpret_cast<const std::int16_t*>(dest.data());
        out.samples.insert(out.samples.end(), samples, samples + produced);
        // Past the last byte the codec is called until it has nothing more to give; before it,
        // a codec that neither takes input nor gives output has stopped for good.
        const bool progress = used > 0 || produced > 0;
        if (last)
            idle = progress ? 0 : idle + 1;
        else if (!progress && pending == SourceBytes)
            break;
    }
    header.cbSrcLength = SourceBytes;
    acmStreamUnprepareHeader(stream.handle, &header, 0);
    return ok;
}

} // namespace

bool ParseMp3(const std::vector<unsigned char>& data, Mp3Layout& layout, std::string& error)
{
    layout = {};
    const std::size_t size = data.size();
    std::size_t pos = 0;
    // An ID3v2 tag: "ID3", version, flags, then its size in four 7-bit bytes.
    if (size >= 10 && std::memcmp(data.data(), "ID3", 3) == 0)
    {
        const std::size_t tag = (std::size_t{data[6]} << 21) | (std::size_t{data[7]} << 14) |
                                (std::size_t{data[8]} << 7) | data[9];
        pos = 10 + tag + ((data[5] & 0x10) != 0 ? 10 : 0);
    }

    // The first frame is a header whose successor starts right after it (or the file ends).
    FrameHeader first;
    for (; pos + 4 <= size; ++pos)
    {
        if (!ReadHeader(&data[pos], first))
            continue;
        const std::size_t after = pos + first.bytes;
        FrameHeader second;
        if (after == size ||
            (after + 4 <= size && ReadHeader(&data[after], second) && SameStream(first, second)))
            break;
    }
    if (pos + 4 > size || pos + first.bytes > size)
    {
        error = "not an MP3 file";
        return false;
    }

    layout.rate = first.rate;
    layout.channels = first.channels;
    layout.samplesPerFrame = first.samples;
    layout.audioBegin = pos;
    if (ReadTagFrame(&data[pos], first, layout))
        layout.audioBegin = pos += first.bytes;

    // Whole frames of the same stream up to the first thing that is not one (an ID3v1 or APE
    // tag, a cut-off last frame).
    FrameHeader h;
    while (pos + 4 <= size && ReadHeader(&data[pos], h) && SameStream(first, h) &&
           pos + h.bytes <= size)
    {
        if (layout.audioFrames == 0)
        {
            layout.firstBitrate = h.bitrate;
            layout.channels = h.channels;
        }
        ++layout.audioFrames;
        pos += h.bytes;
    }
    layout.audioEnd = pos;
    if (layout.audioFrames == 0)
    {
        error = "no sound frames in the MP3 file";
        return false;
    }
    const long long total = static_cast<long long>(layout.audioFrames) * layout.samplesPerFrame;
    if (layout.gapless && layout.encoderDelay + layout.encoderPadding >= total)
        layout.gapless = false;
    return true;
}

bool DecodeMp3File(const char* file, Pcm& out, std::string& error)
{
    out = {};
    std::vector<unsigned char> data;
    if (!sys::ReadWholeFile(file, MaxFileBytes, data, error))
        return false;
    Mp3Layout layout;
    if (!ParseMp3(data, layout, error))
        return false;

    MPEGLAYER3WAVEFORMAT mp3 = {};
    mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.wfx.nChannels = static_cast<WORD>(layout.channels);
    mp3.wfx.nSamplesPerSec = static_cast<DWORD>(layout.rate);
    mp3.wfx.nAvgBytesPerSec = static_cast<DWORD>(layout.firstBitrate * 1000 / 8);
    mp3.wfx.nBlockAlign = 1;
    mp3.wfx.wBitsPerSample = 0;
    mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3.wID = MPEGLAYER3_ID_MPEG;
    mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    mp3.nBlockSize = static_cast<WORD>((layout.samplesPerFrame == 1152 ? 144000 : 72000) *
                                       layout.firstBitrate / layout.rate);
    mp3.nFramesPerBlock = 1;
    mp3.nCodecDelay = 1393; // the value Windows' own encoder writes; decoders ignore it

    WAVEFORMATEX pcm = {};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = static_cast<WORD>(layout.channels);
    pcm.nSamplesPerSec = static_cast<DWORD>(layout.rate);
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = static_cast<WORD>(2 * layout.channels);
    pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;

    AcmStream stream;
    MMRESULT opened = acmStreamOpen(&stream.handle, NULL, &mp3.wfx, &pcm, NULL, 0, 0,
                                    ACM_STREAMOPENF_NONREALTIME);
    if (opened != 0)
        opened = acmStreamOpen(&stream.handle, NULL, &mp3.wfx, &pcm, NULL, 0, 0, 0);
    if (opened != 0)
    {
        stream.handle = NULL;
        error = "no MPEG Layer-3 decoder (ACM error " + std::to_string(opened) + ")";
        return false;
    }

    out.rate = layout.rate;
    out.channels = layout.channels;
    out.samples.reserve(layout.audioFrames * layout.samplesPerFrame * layout.channels);
    if (!Convert(stream, data, layout.audioBegin, layout.audioEnd, out, error))
        return false;
    out.samples.resize(out.Frames() * out.channels);
    if (out.samples.empty())
    {
        error = "cannot decode the MP3 file";
        return false;
    }

    // The sound proper starts after the encoder's and the decoder's delays and ends before the
    // encoder's padding. A codec that kept back part of the last frame leaves it short: the
    // missing end is silence.
    if (layout.gapless)
    {
        const std::size_t skip = static_cast<std::size_t>(layout.encoderDelay) + DecoderDelay;
        const std::size_t keep =
            layout.audioFrames * layout.samplesPerFrame -
            static_cast<std::size_t>(layout.encoderDelay + layout.encoderPadding);
        if (out.Frames() > skip)
        {
            const std::size_t c = static_cast<std::size_t>(out.channels);
            const std::size_t available = std::min(keep, out.Frames() - skip);
            out.samples.erase(out.samples.begin(), out.samples.begin() + skip * c);
            out.samples.resize(available * c);
            out.samples.resize(keep * c, 0);
        }
    }
    return true;
}

} // namespace acm
