// JPEG decoding with the Windows Imaging Component (WIC). The file's own markers are read
// first, so that a picture that is too large is refused before anything is allocated and a
// truncated file is refused although WIC would fill in its missing part.
#include "gfx/JpegDecoder.h"

#include <windows.h>

#include <wincodec.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace
{

// Walks the marker segments up to the first scan: the frame header gives the picture's size.
// The compressed data after it must end with the end-of-image marker; inside it every 0xFF byte
// is followed by 0x00 or a restart marker, so 0xFF 0xD9 can only be that marker.
bool ReadFrameSize(const std::vector<unsigned char>& d, int& width, int& height, std::string& error)
{
    const std::size_t n = d.size();
    std::size_t p = 2;
    bool scan = false;
    width = height = 0;
    while (!scan)
    {
        if (p + 4 > n)
        {
            error = "truncated or corrupt data (the header ends early)";
            return false;
        }
        if (d[p] != 0xFF)
        {
            error = "corrupt data (no marker where one belongs)";
            return false;
        }
        const unsigned char marker = d[p + 1];
        if (marker == 0xFF) // fill byte
        {
            ++p;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) // markers without a length
        {
            p += 2;
            continue;
        }
        if (marker == 0xD9)
        {
            error = "corrupt data (the picture ends before its first scan)";
            return false;
        }
        const std::size_t length = (std::size_t{d[p + 2]} << 8) | d[p + 3];
        if (length < 2 || p + 2 + length > n)
        {
            error = "truncated or corrupt data (a header segment ends early)";
            return false;
        }
        // Start of frame: every SOFn but the DHT (C4), JPG (C8) and DAC (CC) markers.
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && length >= 7)
        {
            height = (d[p + 5] << 8) | d[p + 6];
            width = (d[p + 7] << 8) | d[p + 8];
        }
        scan = marker == 0xDA;
        p += 2 + length;
    }
    if (width <= 0 || height <= 0)
    {
        error = "corrupt data (no picture size before the first scan)";
        return false;
    }
    std::size_t end = n;
    while (end >= p + 2 && !(d[end - 2] == 0xFF && d[end - 1] == 0xD9))
        --end;
    if (end < p + 2)
    {
        error = "truncated or corrupt data (no end of picture)";
        return false;
    }
    return true;
}

// Holds one COM interface and releases it.
template <typename T> struct Com
{
    T* p = nullptr;
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com()
    {
        if (p != nullptr)
            p->Release();
    }
    T* operator->() const { return p; }
};

// COM on this thread for the time of one decode, unless it is set up already.
struct ComScope
{
    HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ~ComScope()
    {
        if (SUCCEEDED(result))
            CoUninitialize();
    }
};

std::string Failure(const char* what, HRESULT hr)
{
    char text[96];
    std::snprintf(text, sizeof(text), "%s (WIC error 0x%08lX)", what,
                  static_cast<unsigned long>(hr));
    return text;
}

} // namespace

bool DecodeJpegFile(const char* file, DecodedPicture& out, std::string& error)
{
    std::vector<unsigned char> data;
    if (!ReadJpegFile(file, data, error))
        return false;
    int width = 0, height = 0;
    if (!ReadFrameSize(data, width, height, error))
        return false;
    if (static_cast<long long>(width) * height > MaxJpegPixels)
    {
        error = "picture too large (" + std::to_string(width) + "x" + std::to_string(height) + ")";
        return false;
    }

    ComScope com;
    Com<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(&factory.p));
    if (FAILED(hr))
    {
        error = Failure("cannot start the JPEG decoder", hr);
        return false;
    }
    Com<IWICStream> stream;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    Com<IWICBitmapSource> converted;
    hr = factory->CreateStream(&stream.p);
    if (SUCCEEDED(hr))
        hr = stream->InitializeFromMemory(data.data(), static_cast<DWORD>(data.size()));
    if (SUCCEEDED(hr))
        hr = factory->CreateDecoder(GUID_ContainerFormatJpeg, nullptr, &decoder.p);
    if (SUCCEEDED(hr))
        hr = decoder->Initialize(stream.p, WICDecodeMetadataCacheOnDemand);
    if (SUCCEEDED(hr))
        hr = decoder->GetFrame(0, &frame.p);
    UINT w = 0, h = 0;
    if (SUCCEEDED(hr))
        hr = frame->GetSize(&w, &h);
    if (FAILED(hr))
    {
        error = Failure("cannot decode", hr);
        return false;
    }
    if (w != static_cast<UINT>(width) || h != static_cast<UINT>(height))
    {
        error = "corrupt data (the decoder sees another picture size)";
        return false;
    }
    // Blue, green, red and an unused byte: as a little-endian word, the device's pixel layout.
    hr = WICConvertBitmapSource(GUID_WICPixelFormat32bppBGR, frame.p, &converted.p);
    const std::size_t count = static_cast<std::size_t>(width) * height;
    std::unique_ptr<std::uint32_t[]> pixels(new std::uint32_t[count]);
    if (SUCCEEDED(hr))
        hr = converted->CopyPixels(nullptr, 4 * w, static_cast<UINT>(4 * count),
                                   reinterpret_cast<BYTE*>(pixels.get()));
    if (FAILED(hr))
    {
        error = Failure("cannot decode", hr);
        return false;
    }
    for (std::size_t i = 0; i < count; ++i)
        pixels[i] &= 0x00FFFFFF;
    out.width = width;
    out.height = height;
    out.pixels = std::move(pixels);
    return true;
}
