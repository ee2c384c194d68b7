// Helpers of the native kernel tests: the kernel variants this processor
// runs, an independent reference conversion written straight from the
// formulas, and buffers that sit against an inaccessible page so that any
// read past their end (or before their start) crashes at once.
#pragma once

#include "Common/capture/convert/ConvertToBgra.h"
#include "Common/capture/convert/KernelDispatch.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace ConvertTests
{

using Common::Convert::BgraImage;
using Common::Convert::KernelVariant;
using Common::Convert::RowKernels;
using Common::Convert::SourceLayout;
using Common::Convert::YuvEncoding;
using Common::Convert::YuvMatrix;
using Common::Convert::YuvRange;

inline std::vector<const RowKernels*> AvailableVariants()
{
    std::vector<const RowKernels*> result;
    for (KernelVariant variant : {KernelVariant::Scalar, KernelVariant::Sse2, KernelVariant::Avx2,
                                  KernelVariant::Avx512, KernelVariant::Avx512Vbmi})
    {
        if (const RowKernels* kernels = Common::Convert::FindRowKernels(variant))
        {
            result.push_back(kernels);
        }
    }
    return result;
}

inline const SourceLayout AllLayouts[] = {
    SourceLayout::RGB32,  SourceLayout::ARGB32, SourceLayout::RGB24, SourceLayout::RGB555,
    SourceLayout::RGB565, SourceLayout::RGB8,   SourceLayout::YUY2,  SourceLayout::YVYU,
    SourceLayout::UYVY,   SourceLayout::NV12,
};

inline const char* LayoutName(SourceLayout layout)
{
    static const char* const names[] = {"RGB32", "ARGB32", "RGB24", "RGB555", "RGB565",
                                        "RGB8",  "YUY2",   "YVYU",  "UYVY",   "NV12"};
    return names[static_cast<int>(layout)];
}

inline const YuvEncoding AllEncodings[] = {
    {YuvMatrix::Bt601, YuvRange::Studio},
    {YuvMatrix::Bt709, YuvRange::Studio},
    {YuvMatrix::Bt601, YuvRange::Full},
    {YuvMatrix::Bt709, YuvRange::Full},
};

inline std::string EncodingName(YuvEncoding encoding)
{
    return std::string(encoding.matrix == YuvMatrix::Bt709 ? "BT.709" : "BT.601") +
           (encoding.range == YuvRange::Full ? " full" : " studio");
}

// The textbook conversion in 8-bit fixed point: the matrix's coefficients
// from its luma weights Kr and Kb, scaled by 255/219 (luma) and 255/224
// (chroma) for studio range, times 256 and rounded.
struct TextbookFactors
{
    int lumaOffset, luma, vToRed, uToGreen, vToGreen, uToBlue;
};

inline TextbookFactors Textbook(YuvEncoding encoding)
{
    const double kr = encoding.matrix == YuvMatrix::Bt709 ? 0.2126 : 0.299;
    const double kb = encoding.matrix == YuvMatrix::Bt709 ? 0.0722 : 0.114;
    const double kg = 1 - kr - kb;
    const bool studio = encoding.range == YuvRange::Studio;
    const double lumaScale = studio ? 255.0 / 219 : 1;
    const double chromaScale = studio ? 255.0 / 224 : 1;
    const auto fixed = [](double factor) { return static_cast<int>(std::lround(256 * factor)); };
    return {studio ? 16 : 0,
            fixed(lumaScale),
            fixed(chromaScale * 2 * (1 - kr)),
            fixed(-chromaScale * 2 * kb * (1 - kb) / kg),
            fixed(-chromaScale * 2 * kr * (1 - kr) / kg),
            fixed(chromaScale * 2 * (1 - kb))};
}

// The formula, written as plainly as possible: B G R A.
inline std::uint32_t FormulaPixel(int y, int u, int v, const TextbookFactors& f)
{
    const auto clip = [](int value) { return static_cast<std::uint32_t>(std::clamp(value, 0, 255)); };
    const int yd = y - f.lumaOffset;
    const int ud = u - 128;
    const int vd = v - 128;
    const std::uint32_t red = clip((f.luma * yd + f.vToRed * vd + 128) >> 8);
    const std::uint32_t green = clip((f.luma * yd + f.uToGreen * ud + f.vToGreen * vd + 128) >> 8);
    const std::uint32_t blue = clip((f.luma * yd + f.uToBlue * ud + 128) >> 8);
    return 0xFF000000u | red << 16 | green << 8 | blue;
}

inline std::uint32_t FormulaPixel(int y, int u, int v, YuvEncoding encoding = {})
{
    return FormulaPixel(y, u, v, Textbook(encoding));
}

// Pixel (x, y) of a source as the formulas define it; unpaired last columns
// and rows use the chroma of their own group.
inline std::uint32_t ReferencePixel(SourceLayout layout, const std::uint8_t* source, int height, int stride,
                                    int x, int y, YuvEncoding encoding = {})
{
    const std::uint8_t* row = source + static_cast<std::ptrdiff_t>(y) * stride;
    switch (layout)
    {
    case SourceLayout::RGB32:
        return 0xFF000000u | row[4 * x + 2] << 16 | row[4 * x + 1] << 8 | row[4 * x];
    case SourceLayout::ARGB32:
        return static_cast<std::uint32_t>(row[4 * x + 3]) << 24 | row[4 * x + 2] << 16 | row[4 * x + 1] << 8 |
               row[4 * x];
    case SourceLayout::RGB24:
        return 0xFF000000u | row[3 * x + 2] << 16 | row[3 * x + 1] << 8 | row[3 * x];
    case SourceLayout::RGB555:
    {
        const unsigned p = row[2 * x] | row[2 * x + 1] << 8;
        return 0xFF000000u | ((p >> 10) << 3 & 0xFF) << 16 | ((p >> 5) << 3 & 0xFF) << 8 | (p << 3 & 0xFF);
    }
    case SourceLayout::RGB565:
    {
        const unsigned p = row[2 * x] | row[2 * x + 1] << 8;
        return 0xFF000000u | ((p >> 11) << 3 & 0xFF) << 16 | ((p >> 5) << 2 & 0xFF) << 8 | (p << 3 & 0xFF);
    }
    case SourceLayout::RGB8:
        return 0xFF000000u | row[x] << 16 | row[x] << 8 | row[x];
    case SourceLayout::YUY2:
    case SourceLayout::YVYU:
    case SourceLayout::UYVY:
    {
        const std::uint8_t* group = row + 4 * (x / 2);
        int luma[2], u, v;
        if (layout == SourceLayout::YUY2)
        {
            luma[0] = group[0], u = group[1], luma[1] = group[2], v = group[3];
        }
        else if (layout == SourceLayout::YVYU)
        {
            luma[0] = group[0], v = group[1], luma[1] = group[2], u = group[3];
        }
        else
        {
            u = group[0], luma[0] = group[1], v = group[2], luma[1] = group[3];
        }
        return FormulaPixel(luma[x % 2], u, v, encoding);
    }
    case SourceLayout::NV12:
    {
        const std::uint8_t* chroma = source + static_cast<std::ptrdiff_t>(height) * stride +
                                     static_cast<std::ptrdiff_t>(y / 2) * stride;
        return FormulaPixel(row[x], chroma[x / 2 * 2], chroma[x / 2 * 2 + 1], encoding);
    }
    }
    throw std::logic_error("layout");
}

// `size` bytes whose last byte sits right before an inaccessible page
// (AtEnd) or whose first byte sits right after one (AtStart).
class GuardedBuffer
{
public:
    enum Placement
    {
        AtEnd,
        AtStart
    };

    GuardedBuffer(std::size_t size, Placement placement) : size_(size)
    {
        const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        const std::size_t dataPages = (size + page - 1) / page;
        mappedSize_ = (dataPages + 2) * page;
        void* mapped = mmap(nullptr, mappedSize_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED)
        {
            throw std::runtime_error("mmap");
        }
        base_ = static_cast<std::uint8_t*>(mapped);
        if (dataPages != 0 && mprotect(base_ + page, dataPages * page, PROT_READ | PROT_WRITE) != 0)
        {
            throw std::runtime_error("mprotect");
        }
        data_ = placement == AtEnd ? base_ + page + dataPages * page - size : base_ + page;
    }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;
    ~GuardedBuffer() { munmap(base_, mappedSize_); }

    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    std::size_t size_;
    std::size_t mappedSize_ = 0;
    std::uint8_t* base_ = nullptr;
    std::uint8_t* data_ = nullptr;
};

} // namespace ConvertTests
