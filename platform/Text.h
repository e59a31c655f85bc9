// Text that came from the user or the file system, made safe to show in a message on a terminal,
// and the program name that begins such messages.
#pragma once

#include <string>
#include <string_view>

namespace text
{

// The launcher and the capture tool, for every message that can hold an argument, a path or a
// line of a file: `raw` with each control character escaped, so that a name never moves the
// cursor, recolours the terminal or breaks the line. Bytes below 0x20 and 0x7F become \xNN,
// C1 controls written in UTF-8 (U+0080 to U+009F) become \u00NN; everything else, other
// UTF-8 and stray bytes included, is kept.
std::string Printable(std::string_view raw);

// The program name that begins the messages of the code every program shares (a picture or
// the music that cannot be loaded): "quen" unless a program sets its own at start.
void SetProgramName(const char* name);
const char* ProgramName();

} // namespace text
