// The files StartDemo opens by bare name from the current folder: the five pictures and the
// music. The launcher and the tools look for them before they start the show.
#pragma once

#include <filesystem>
#include <system_error>

inline constexpr const char* ShowFiles[] = {"initial.jpg", "j1.jpg",       "j2.jpg",
                                            "j3.jpg",      "scroller.jpg", "zeft.mp3"};

// Whether any of them is in `folder` (an unreadable one counts: start-up then says what is wrong
// with it). A folder with none of them would play black silence: most likely the wrong folder.
inline bool HoldsShowFiles(const std::filesystem::path& folder)
{
    for (const char* name : ShowFiles)
    {
        std::error_code error;
        if (std::filesystem::exists(folder / name, error))
            return true;
    }
    return false;
}
