// quen-capture: renders the show headless to PNG frames or an MP4 video. See --help.
#include "platform/Text.h"
#include "platform/sys/Files.h"
#include "tools/capture/Capture.h"

#include <string_view>
#include <vector>

int main(int argc, char** argv)
{
    sys::OpenMissingStandardStreams();
    text::SetProgramName("quen-capture");
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return capture::RunCapture(args);
}
