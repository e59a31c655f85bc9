#include "platform/Text.h"

#include <cstdio>

namespace text
{

namespace
{
const char* programName = "quen";
}

void SetProgramName(const char* name)
{
    programName = name;
}

const char* ProgramName()
{
    return programName;
}

std::string Printable(std::string_view raw)
{
    std::string shown;
    shown.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i)
    {
        const auto byte = static_cast<unsigned char>(raw[i]);
        const auto next = i + 1 < raw.size() ? static_cast<unsigned char>(raw[i + 1]) : 0;
        char escaped[8];
        if (byte < 0x20 || byte == 0x7F)
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F)
            std::snprintf(escaped, sizeof escaped, "\\u00%02X", next), ++i;
        else
        {
            shown += raw[i];
            continue;
        }
        shown += escaped;
    }
    return shown;
}

} // namespace text
