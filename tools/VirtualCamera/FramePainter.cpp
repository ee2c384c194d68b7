#include "FramePainter.h"

#include "TestPattern.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace VirtualCamera
{
namespace
{

std::uint8_t Clamp(int value)
{
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

using Colour = CameraFormat::Colour;

// The matrix's red and blue weights.
struct Weights
{
    double red;
    double blue;
};

Weights WeightsOf(Colour colour)
{
    return colour == Colour::Bt709Studio ? Weights{0.2126, 0.0722} : Weights{0.299, 0.114};
}

// BT.601 studio range as cameras mostly deliver YUY2 (integer factors), or
// the stated colour from the textbook definition, rounded.
void ToYuv(std::uint32_t argb, Colour colour, int& y, int& u, int& v)
{
    const int r = static_cast<int>((argb >> 16) & 0xFF);
    const int g = static_cast<int>((argb >> 8) & 0xFF);
    const int b = static_cast<int>(argb & 0xFF);
    if (colour == Colour::Unstated)
    {
        y = ((66 * r + 129 * g + 25 * b + 128) >> 8) + 16;
        u = ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128;
        v = ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128;
        return;
    }
    const Weights w = WeightsOf(colour);
    const double luma = w.red * r + (1 - w.red - w.blue) * g + w.blue * b;
    const double blueDifference = (b - luma) / (2 * (1 - w.blue));
    const double redDifference = (r - luma) / (2 * (1 - w.red));
    const bool full = colour == Colour::Bt601Full;
    y = static_cast<int>(std::lround(full ? luma : 16 + luma * 219 / 255));
    u = static_cast<int>(std::lround(128 + blueDifference * (full ? 1.0 : 224.0 / 255)));
    v = static_cast<int>(std::lround(128 + redDifference * (full ? 1.0 : 224.0 / 255)));
}

// The textbook inverse of the colour's matrix and range with its factors
// scaled by 256 and rounded: studio range has Y in 16..235 and U, V in
// 16..240 around 128, full range all three in 0..255.
void FromYuv(int y, int u, int v, Colour colour, std::uint8_t* bgra)
{
    const Weights w = WeightsOf(colour);
    const bool full = colour == Colour::Bt601Full;
    const double chromaScale = full ? 1.0 : 255.0 / 224;
    const auto factor = [](double value) { return static_cast<int>(std::lround(256 * value)); };
    const int luma = factor(full ? 1.0 : 255.0 / 219);
    const int vToRed = factor(2 * (1 - w.red) * chromaScale);
    const int uToBlue = factor(2 * (1 - w.blue) * chromaScale);
    const int uToGreen = -factor(2 * (1 - w.blue) * w.blue / (1 - w.red - w.blue) * chromaScale);
    const int vToGreen = -factor(2 * (1 - w.red) * w.red / (1 - w.red - w.blue) * chromaScale);
    const int c = y - (full ? 0 : 16);
    const int d = u - 128;
    const int e = v - 128;
    bgra[0] = Clamp((luma * c + uToBlue * d + 128) >> 8);
    bgra[1] = Clamp((luma * c + uToGreen * d + vToGreen * e + 128) >> 8);
    bgra[2] = Clamp((luma * c + vToRed * e + 128) >> 8);
    bgra[3] = 0xFF;
}

} // namespace

std::vector<std::uint8_t> FramePainter::Expected(const CameraFormat& format, std::uint32_t counter)
{
    const int width = format.GetWidth();
    const int height = format.GetHeight();
    std::vector<std::uint8_t> sample(static_cast<std::size_t>(format.GetImageBytes()));
    FramePainter(format).Paint(sample.data(), counter);
    std::vector<std::uint8_t> image(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    for (int y = 0; y < height; ++y)
    {
        const int memoryRow = format.IsTopDown() ? y : height - 1 - y;
        const std::uint8_t* in = sample.data() + static_cast<std::size_t>(memoryRow) * format.GetRowBytes();
        std::uint8_t* out = image.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
        for (int x = 0; x < width; ++x, out += 4)
        {
            switch (format.GetLayout())
            {
            case CameraFormat::Layout::YUY2:
            {
                const std::uint8_t* group = in + (x / 2) * 4;
                FromYuv(group[(x % 2) * 2], group[1], group[3], format.GetColour(), out);
                break;
            }
            case CameraFormat::Layout::RGB24:
                std::memcpy(out, in + x * 3, 3);
                out[3] = 0xFF;
                break;
            case CameraFormat::Layout::ARGB32:
                std::memcpy(out, in + x * 4, 4);
                break;
            default:
                std::memcpy(out, in + x * 4, 3);
                out[3] = 0xFF;
                break;
            }
        }
    }
    return image;
}

FramePainter::FramePainter(const CameraFormat& format) : format_(format)
{
    const int width = format.GetWidth();
    scratch_.resize(static_cast<std::size_t>(width) * 2);
    bars_.resize(static_cast<std::size_t>(BytesForPixels(width * 2)));
    footer_.resize(static_cast<std::size_t>(format.GetRowBytes()));
    counter_.resize(static_cast<std::size_t>(format.GetRowBytes()));
    PrepareRows(adjustment_);
}

void FramePainter::PrepareRows(const PixelAdjustment& adjustment)
{
    adjustment_ = adjustment;
    const int width = format_.GetWidth();
    for (int x = 0; x < width * 2; ++x)
    {
        scratch_[static_cast<std::size_t>(x)] = adjustment.Apply(TestPattern::BarPixel(x % width, 0, width));
    }
    WritePixels(format_, scratch_.data(), width * 2, bars_.data());
    for (int x = 0; x < width; ++x)
    {
        scratch_[static_cast<std::size_t>(x)] = adjustment.Apply(TestPattern::FooterPixel(x, width));
    }
    WritePixels(format_, scratch_.data(), width, footer_.data());
}

int FramePainter::BytesForPixels(int pixels) const
{
    switch (format_.GetLayout())
    {
    case CameraFormat::Layout::RGB24:
        return pixels * 3;
    case CameraFormat::Layout::YUY2:
        return pixels * 2;
    default:
        return pixels * 4;
    }
}

void FramePainter::WritePixels(const CameraFormat& format, const std::uint32_t* argb, int count,
                               std::uint8_t* out)
{
    switch (format.GetLayout())
    {
    case CameraFormat::Layout::RGB24:
        for (int i = 0; i < count; ++i)
        {
            out[i * 3 + 0] = static_cast<std::uint8_t>(argb[i]);
            out[i * 3 + 1] = static_cast<std::uint8_t>(argb[i] >> 8);
            out[i * 3 + 2] = static_cast<std::uint8_t>(argb[i] >> 16);
        }
        break;
    case CameraFormat::Layout::YUY2:
        for (int i = 0; i + 1 < count; i += 2)
        {
            int y0, u0, v0, y1, u1, v1;
            ToYuv(argb[i], format.GetColour(), y0, u0, v0);
            ToYuv(argb[i + 1], format.GetColour(), y1, u1, v1);
            out[i * 2 + 0] = Clamp(y0);
            out[i * 2 + 1] = Clamp((u0 + u1 + 1) / 2);
            out[i * 2 + 2] = Clamp(y1);
            out[i * 2 + 3] = Clamp((v0 + v1 + 1) / 2);
        }
        break;
    default:
        std::memcpy(out, argb, static_cast<std::size_t>(count) * 4);
        break;
    }
}

void FramePainter::Paint(std::uint8_t* buffer, std::uint32_t counter, const PixelAdjustment& adjustment)
{
    if (!(adjustment == adjustment_))
    {
        PrepareRows(adjustment);
    }
    const int width = format_.GetWidth();
    const int height = format_.GetHeight();
    const int band = TestPattern::BandHeight(height);
    const std::size_t rowBytes = static_cast<std::size_t>(format_.GetRowBytes());
    const std::size_t pixelBytes = static_cast<std::size_t>(BytesForPixels(width));

    for (int x = 0; x < width; ++x)
    {
        scratch_[static_cast<std::size_t>(x)] =
            adjustment.Apply(TestPattern::CounterPixel(x, width, counter));
    }
    WritePixels(format_, scratch_.data(), width, counter_.data());
    const std::uint8_t* bars = bars_.data() + BytesForPixels(TestPattern::BarShift(width, counter));

    for (int y = 0; y < height; ++y)
    {
        const int memoryRow = format_.IsTopDown() ? y : height - 1 - y;
        std::uint8_t* row = buffer + static_cast<std::size_t>(memoryRow) * rowBytes;
        const std::uint8_t* source = y < band ? counter_.data() : y >= height - band ? footer_.data() : bars;
        std::memcpy(row, source, pixelBytes);
        if (rowBytes > pixelBytes)
        {
            std::memset(row + pixelBytes, 0, rowBytes - pixelBytes);
        }
    }
}

} // namespace VirtualCamera
