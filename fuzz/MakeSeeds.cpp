// quen-fuzz-seeds: writes small seed files for the fuzz targets. Pictures: baseline,
// progressive, 4:2:0, greyscale, CMYK and YCCK JPEGs, a PNG and an oversized header, all a few
// kilobytes, so that the fuzzer starts from every decoder path. Music: a short WAV (the MP3
// seeds are cut from the soundtrack by make-seed-corpus.sh).
//
//   quen-fuzz-seeds PICTURE_FOLDER MUSIC_FOLDER
#include "robustness/BadInputs.h"

#include <algorithm>
#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: %s PICTURE_FOLDER MUSIC_FOLDER\n", argv[0]);
        return 2;
    }
    using namespace badinputs;
    const std::string dir = argv[1];
    const Pattern colour = SmoothPattern(1);
    WriteFile(dir + "/baseline-444.jpg", Jpeg(40, 30, colour, 90));
    WriteFile(dir + "/baseline-420.jpg", Jpeg(48, 32, colour, 75, Chroma::Half));
    WriteFile(dir + "/progressive.jpg", Jpeg(40, 30, colour, 90, Chroma::Half, true));
    WriteFile(dir + "/greyscale.jpg", Jpeg(40, 30, colour, 90, Chroma::Greyscale));
    WriteFile(dir + "/greyscale-progressive.jpg",
              Jpeg(33, 17, colour, 60, Chroma::Greyscale, true));
    WriteFile(dir + "/cmyk-adobe.jpg", CmykJpeg(24, 16, colour, Cmyk::AdobeCmyk, 80));
    WriteFile(dir + "/ycck-adobe.jpg", CmykJpeg(24, 16, colour, Cmyk::AdobeYcck, 80));
    WriteFile(dir + "/cmyk-plain.jpg", CmykJpeg(24, 16, colour, Cmyk::PlainCmyk, 80));
    WriteFile(dir + "/odd-size.jpg", Jpeg(7, 5, colour, 50));
    WriteFile(dir + "/huge-header.jpg", WithFrameSize(Jpeg(16, 16, colour, 50), 60000, 60000));
    WriteFile(dir + "/picture.png", Png(8, 8, colour));
    WriteFile(std::string(argv[2]) + "/tone.wav", Wav(20));
    // A WAV header claiming 1.28 GHz: once took SDL's resampler to a negative buffer size.
    Bytes absurd = Wav(5);
    const unsigned char rate[4] = {0x67, 0x53, 0x66, 0x4C};
    std::copy(rate, rate + 4, absurd.begin() + 24);
    WriteFile(std::string(argv[2]) + "/absurd-rate.wav", absurd);
    return 0;
}
