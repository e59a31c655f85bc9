// The files StartDemo opens by bare name from the current folder: the five pictures and the
// music. The launcher and the tools look for them before they start the show.
#pragma once

inline constexpr const char* ShowFiles[] = {"initial.jpg", "j1.jpg",       "j2.jpg",
                                            "j3.jpg",      "scroller.jpg", "zeft.mp3"};
