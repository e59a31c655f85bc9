// libFuzzer target: the capture tool's command line. Each input is split at NUL bytes into
// arguments (the file of times is parsed from the whole input as well), and whatever parses
// must describe a run that can be made: a video of at least one frame at a known rate, scale
// and kind, pictures with times and a folder. Anything else must be refused with CaptureError.
#include "tools/capture/CaptureError.h"
#include "tools/capture/CaptureOptions.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> args;
    for (std::size_t start = 0; start <= input.size() && args.size() < 24;)
    {
        const std::size_t end = std::min(input.find('\0', start), input.size());
        args.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    try
    {
        const capture::CaptureOptions options = capture::ParseArguments(args);
        switch (options.mode)
        {
            case capture::CaptureMode::Help:
                if (capture::HelpText(std::nullopt).empty())
                    std::abort();
                break;
            case capture::CaptureMode::Version: break;
            case capture::CaptureMode::Stills:
                if ((options.times.empty() && !options.timesFile) || options.outDir.empty())
                    std::abort();
                break;
            case capture::CaptureMode::Video:
                if (options.fps < 1 || options.fps > 1000 || options.scale < 1 ||
                    options.scale > 8 || options.videoFile.empty() ||
                    capture::VideoFrameCount(options.fps, options.seconds) < 1)
                    std::abort();
                // The upload preset is never weakened by other options.
                if (options.forUpload && (options.scale != 4 || options.fps != 60 ||
                                          options.container != capture::Container::Mp4))
                    std::abort();
                break;
        }
    }
    catch (const capture::CaptureError&)
    {
    }
    try
    {
        if (capture::ParseTimeFile(input).empty())
            std::abort();
    }
    catch (const capture::CaptureError&)
    {
    }
    return 0;
}
