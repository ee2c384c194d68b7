// Benchmark of the frame conversions at 1920x1080 and 3840x2160. In one
// process and interleaved round by round, it times for each source layout:
// our conversion with the kernels this process dispatches to, our scalar
// reference, the closest libyuv function, swscale where it has the
// conversion, and a copy of the output frame (the bandwidth limit): memcpy
// and `rep movsb`, whichever is faster on this machine.
// The candidates run in a random order each round, and each timed run comes
// right after three untimed runs of the same work (as when frame follows
// frame), so that no candidate inherits the state another one left.
// One line per layout and size:
//   name size ours-ms libyuv-ms ours/libyuv ours/memcpy  (extra figures)
// where "memcpy" is the faster of memcpy and `rep movsb`.
// and as the last line: worst: libyuv R1 memcpy R2 (the largest ratios).
// Usage: convert_bench [rounds]
#include "Common/capture/convert/ConvertToBgra.h"
#include "Common/capture/convert/KernelDispatch.h"

#include <libyuv.h>

extern "C"
{
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace Common::Convert;

namespace
{

// The processor's string copy, timed beside memcpy: on some processors it is
// the faster of the two.
void RepMovsb(void* destination, const void* source, std::size_t size)
{
    asm volatile("rep movsb" : "+D"(destination), "+S"(source), "+c"(size) : : "memory");
}

struct AlignedBuffer
{
    explicit AlignedBuffer(std::size_t size)
        : size(size), data(static_cast<std::uint8_t*>(std::aligned_alloc(64, (size + 63) / 64 * 64)))
    {
        std::memset(data, 0, size);
    }
    AlignedBuffer(const AlignedBuffer&) = delete;
    AlignedBuffer& operator=(const AlignedBuffer&) = delete;
    ~AlignedBuffer() { std::free(data); }
    std::size_t size;
    std::uint8_t* data;
};

struct Layout
{
    SourceLayout layout;
    const char* name;
    AVPixelFormat swscaleFormat;
    const char* libyuvName;
};

const Layout Layouts[] = {
    {SourceLayout::RGB32, "RGB32", AV_PIX_FMT_BGR0, "ARGBCopy"},
    {SourceLayout::ARGB32, "ARGB32", AV_PIX_FMT_BGRA, "ARGBCopy"},
    {SourceLayout::RGB24, "RGB24", AV_PIX_FMT_BGR24, "RGB24ToARGB"},
    {SourceLayout::RGB555, "RGB555", AV_PIX_FMT_RGB555LE, "ARGB1555ToARGB"},
    {SourceLayout::RGB565, "RGB565", AV_PIX_FMT_RGB565LE, "RGB565ToARGB"},
    {SourceLayout::RGB8, "RGB8", AV_PIX_FMT_GRAY8, "J400ToARGB"},
    {SourceLayout::YUY2, "YUY2", AV_PIX_FMT_YUYV422, "YUY2ToARGB"},
    {SourceLayout::YVYU, "YVYU", AV_PIX_FMT_YVYU422, "YUY2ToARGB"},
    {SourceLayout::UYVY, "UYVY", AV_PIX_FMT_UYVY422, "UYVYToARGB"},
    {SourceLayout::NV12, "NV12", AV_PIX_FMT_NV12, "NV12ToARGB"},
};

int Libyuv(SourceLayout layout, const std::uint8_t* source, int stride, std::uint8_t* destination, int width,
           int height)
{
    const int destinationStride = width * 4;
    switch (layout)
    {
    case SourceLayout::RGB32:
    case SourceLayout::ARGB32:
        return libyuv::ARGBCopy(source, stride, destination, destinationStride, width, height);
    case SourceLayout::RGB24:
        return libyuv::RGB24ToARGB(source, stride, destination, destinationStride, width, height);
    case SourceLayout::RGB555:
        return libyuv::ARGB1555ToARGB(source, stride, destination, destinationStride, width, height);
    case SourceLayout::RGB565:
        return libyuv::RGB565ToARGB(source, stride, destination, destinationStride, width, height);
    case SourceLayout::RGB8:
        return libyuv::J400ToARGB(source, stride, destination, destinationStride, width, height);
    case SourceLayout::YUY2:
    case SourceLayout::YVYU:
        return libyuv::YUY2ToARGB(source, stride, destination, destinationStride, width, height);
    case SourceLayout::UYVY:
        return libyuv::UYVYToARGB(source, stride, destination, destinationStride, width, height);
    case SourceLayout::NV12:
        return libyuv::NV12ToARGB(source, stride, source + static_cast<std::ptrdiff_t>(height) * stride,
                                  stride, destination, destinationStride, width, height);
    }
    return -1;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double TimeMs(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(end - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 25;
    const RowKernels& fast = ActiveRowKernels();
    const RowKernels& scalar = *FindRowKernels(KernelVariant::Scalar);
    std::printf("conversion kernels: %s, copy: %s; %d rounds, medians in ms\n", fast.name,
                ActiveCopyMethod() == CopyMethod::RepMovsb ? "rep movsb" : "memcpy", rounds);
    std::printf("%-7s %-10s %8s %8s %11s %11s   %s\n", "name", "size", "ours", "libyuv", "ours/libyuv",
                "ours/memcpy", "(scalar, swscale, memcpy, rep movsb; libyuv function)");

    double worstLibyuv = 0;
    double worstMemcpy = 0;
    const std::pair<int, int> sizes[] = {{1920, 1080}, {3840, 2160}};
    for (const auto& size : sizes)
    {
        const int width = size.first;
        const int height = size.second;
        const std::size_t frameBytes = static_cast<std::size_t>(width) * height * 4;
        AlignedBuffer destination(frameBytes), copySource(frameBytes), source(frameBytes);
        std::mt19937 random(1);
        for (std::size_t i = 0; i < source.size; ++i)
        {
            source.data[i] = static_cast<std::uint8_t>(random());
            copySource.data[i] = source.data[i];
        }

        struct Timings
        {
            std::vector<double> ours, scalar, libyuv, swscale, memcpy, repMovsb;
            SwsContext* context = nullptr;
            int stride = 0;
        };
        std::vector<Timings> timings(std::size(Layouts));
        for (std::size_t l = 0; l < std::size(Layouts); ++l)
        {
            const SourceLayout layout = Layouts[l].layout;
            timings[l].stride = static_cast<int>(SourceRowBytes(layout, width));
            timings[l].context = sws_getContext(width, height, Layouts[l].swscaleFormat, width, height,
                                                AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
        }

        for (int round = -1; round < rounds; ++round)
        {
            for (std::size_t l = 0; l < std::size(Layouts); ++l)
            {
                const SourceLayout layout = Layouts[l].layout;
                Timings& t = timings[l];
                const int stride = t.stride;
                const BgraImage image{destination.data, width, height, width * 4};
                std::function<void()> work[] = {
                    [&] { ConvertToBgra(fast, layout, source.data, width, height, stride, image); },
                    [&] { ConvertToBgra(scalar, layout, source.data, width, height, stride, image); },
                    [&] { Libyuv(layout, source.data, stride, destination.data, width, height); },
                    [&]
                    {
                        if (t.context != nullptr)
                        {
                            const std::uint8_t* planes[4] = {
                                source.data, source.data + static_cast<std::ptrdiff_t>(height) * stride,
                                nullptr, nullptr};
                            const int strides[4] = {stride, stride, 0, 0};
                            std::uint8_t* out[4] = {destination.data, nullptr, nullptr, nullptr};
                            const int outStrides[4] = {width * 4, 0, 0, 0};
                            sws_scale(t.context, planes, strides, 0, height, out, outStrides);
                        }
                    },
                    [&] { std::memcpy(destination.data, copySource.data, frameBytes); },
                    [&] { RepMovsb(destination.data, copySource.data, frameBytes); },
                };
                std::vector<double>* results[] = {&t.ours,    &t.scalar, &t.libyuv,
                                                  &t.swscale, &t.memcpy, &t.repMovsb};
                // A new random order every round; each timed run right after
                // three untimed runs of the same work, as when frame follows
                // frame (one run is not enough to shake off what a slow
                // predecessor left behind).
                int order[] = {0, 1, 2, 3, 4, 5};
                std::shuffle(std::begin(order), std::end(order), random);
                for (const int which : order)
                {
                    for (int warm = 0; warm < 3; ++warm)
                    {
                        work[which]();
                    }
                    const double ms = TimeMs(work[which]);
                    if (round >= 0)
                    {
                        results[which]->push_back(ms);
                    }
                }
            }
        }

        for (std::size_t l = 0; l < std::size(Layouts); ++l)
        {
            Timings& t = timings[l];
            const double ours = Median(t.ours);
            const double libyuv = Median(t.libyuv);
            const double memcpyMs = Median(t.memcpy);
            const double repMovsbMs = Median(t.repMovsb);
            const double copy = std::min(memcpyMs, repMovsbMs);
            const double toLibyuv = ours / libyuv;
            const double toMemcpy = ours / copy;
            worstLibyuv = std::max(worstLibyuv, toLibyuv);
            worstMemcpy = std::max(worstMemcpy, toMemcpy);
            char swscale[32] = "n/a";
            if (t.context != nullptr)
            {
                std::snprintf(swscale, sizeof swscale, "%.3f", Median(t.swscale));
            }
            std::printf("%-7s %-10s %8.3f %8.3f %11.2f %11.2f   (%.3f, %s, %.3f, %.3f; %s)\n",
                        Layouts[l].name, (std::to_string(width) + "x" + std::to_string(height)).c_str(), ours,
                        libyuv, toLibyuv, toMemcpy, Median(t.scalar), swscale, memcpyMs, repMovsbMs,
                        Layouts[l].libyuvName);
            sws_freeContext(t.context);
        }
    }
    std::printf("worst: libyuv %.2f memcpy %.2f\n", worstLibyuv, worstMemcpy);
    return 0;
}
