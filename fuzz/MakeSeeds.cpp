// quen-fuzz-seeds: writes small seed files for the fuzz targets. Pictures: baseline,
// progressive, greyscale, CMYK and YCCK JPEGs, an odd size, an oversized header and a PNG, a
// few kilobytes each, so that the fuzzer starts from every decoder path, and a header of a large
// picture within the limit. Music: short WAVs, one whose header claims hours (the MP3 seeds are
// cut from the soundtrack by make-seed-corpus.sh).
//
//   quen-fuzz-seeds PICTURE_FOLDER MUSIC_FOLDER
#include "support/PictureFiles.h"
#include "support/TestAssets.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: %s PICTURE_FOLDER MUSIC_FOLDER\n", argv[0]);
        return 2;
    }
    using namespace picturefiles;
    using testassets::WriteFile;
    const std::string pictures = argv[1], music = argv[2];
    const Pattern colour = Smooth(1);
    for (const char* kind :
         {"Baseline", "Progressive", "Greyscale", "AdobeCmyk", "AdobeYcck", "PlainCmyk"})
        WriteFile(pictures + "/" + kind + ".jpg", MakeJpeg(40, 30, colour, kind));
    WriteFile(pictures + "/odd-size.jpg", MakeJpeg(7, 5, colour));
    WriteFile(pictures + "/huge-header.jpg", WithHugeHeader(MakeJpeg(16, 16, colour)));
    // Within the size limit, 8000 x 8000: the decoder allocates for it before the data runs out.
    WriteFile(pictures + "/huge-size.jpg", WithHugeHeader(MakeJpeg(16, 16, colour), 8000));
    WriteFile(pictures + "/picture.png", MakePng(8, 8));
    WriteFile(music + "/tone.wav", MakeWav(20));
    // A header claiming 1.28 GHz: once took SDL's resampler to a negative buffer size.
    WriteFile(music + "/absurd-rate.wav", MakeWav(5, 1280000000u));
    // 8 kHz mono 8-bit, its header claiming 3.3 hours (94 MB), as the file that once crashed
    // SDL's converter; one second of it is there.
    WriteFile(music + "/long-claim.wav", MakeLongWav(1, 11800));
    return 0;
}
