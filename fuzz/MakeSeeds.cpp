// quen-fuzz-seeds: writes small seed files for the fuzz targets. Pictures: baseline,
// progressive, greyscale, CMYK and YCCK JPEGs, an odd size, an oversized header and a PNG, a
// few kilobytes each, so that the fuzzer starts from every decoder path. Music: short WAVs (the
// MP3 seeds are cut from the soundtrack by make-seed-corpus.sh).
//
//   quen-fuzz-seeds PICTURE_FOLDER MUSIC_FOLDER
#include "robustness/PictureFiles.h"

#include <cstdio>
#include <string>

namespace
{
void Write(const std::string& path, const picturefiles::Bytes& bytes)
{
    if (std::FILE* f = std::fopen(path.c_str(), "wb"))
    {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: %s PICTURE_FOLDER MUSIC_FOLDER\n", argv[0]);
        return 2;
    }
    using namespace picturefiles;
    const std::string pictures = argv[1], music = argv[2];
    const Pattern colour = Smooth(1);
    for (const char* kind :
         {"Baseline", "Progressive", "Greyscale", "AdobeCmyk", "AdobeYcck", "PlainCmyk"})
        Write(pictures + "/" + kind + ".jpg", MakeJpeg(40, 30, colour, kind));
    Write(pictures + "/odd-size.jpg", MakeJpeg(7, 5, colour));
    Write(pictures + "/huge-header.jpg", WithHugeHeader(MakeJpeg(16, 16, colour)));
    Write(pictures + "/picture.png", MakePng(8, 8));
    Write(music + "/tone.wav", MakeWav(20));
    // A header claiming 1.28 GHz: once took SDL's resampler to a negative buffer size.
    Write(music + "/absurd-rate.wav", MakeWav(5, 1280000000u));
    return 0;
}
