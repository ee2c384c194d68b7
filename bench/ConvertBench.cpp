// Benchmark of the frame conversions at 1920x1080 and 3840x2160. In one
// process and interleaved round by round, it times for each source layout:
// our conversion with the kernels this process dispatches to, our scalar
// reference, the closest libyuv function, swscale where it has the
// conversion, and a copy of the output frame (the bandwidth limit): memcpy
// and `rep movsb`, whichever is faster on this machine.
// The candidates run in a random order each round, ours and libyuv's right
// after each other (in a random order of the two), and each timed run comes
// right after three untimed runs of the same work (as when frame follows
// frame), so that no candidate inherits the state another one left.
// The ratio to libyuv is the median of each round's ratio: on a machine
// whose memory other work is using, the two runs of a round meet about the
// same load, where rounds apart may meet twice the load.
// Times are the thread's processor time, so that on a machine shared with
// other work the time the thread waited for a processor is not counted.
// One line per layout (and, for YUY2 and NV12, per YUV encoding: BT.709,
// full range) and size:
//   name size ours-ms libyuv-ms ours/libyuv ours/memcpy  (extra figures)
// where "memcpy" is the faster of memcpy and `rep movsb`; libyuv has no YUY2
// conversion with another matrix, so those rows show n/a there.
// and as the last line: worst: libyuv R1 memcpy R2 (the largest ratios).
// The scalar reference and swscale, slow and only for comparison, are timed
// in the first seven rounds alone.
// Usage: convert_bench [rounds] (75 unless given)
#include "Common/capture/convert/ConvertToBgra.h"
#include "Common/capture/convert/KernelDispatch.h"

#include <libyuv.h>

extern "C"
{
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <time.h>

#include <algorithm>
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
    YuvEncoding encoding = {};
};

constexpr YuvEncoding Bt709{YuvMatrix::Bt709, YuvRange::Studio};
constexpr YuvEncoding Full601{YuvMatrix::Bt601, YuvRange::Full};
constexpr YuvEncoding Full709{YuvMatrix::Bt709, YuvRange::Full};

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
    {SourceLayout::YUY2, "YUY2/709", AV_PIX_FMT_NONE, "none", Bt709},
    {SourceLayout::YUY2, "YUY2/F", AV_PIX_FMT_NONE, "none", Full601},
    {SourceLayout::NV12, "NV12/709", AV_PIX_FMT_NONE, "NV12ToARGBMatrix H709", Bt709},
    {SourceLayout::NV12, "NV12/F", AV_PIX_FMT_NONE, "NV12ToARGBMatrix JPEG", Full601},
    {SourceLayout::NV12, "NV12/F709", AV_PIX_FMT_NONE, "NV12ToARGBMatrix F709", Full709},
};

// libyuv's conversion of the same source and encoding; false where it has none.
bool HasLibyuv(const Layout& layout)
{
    return layout.encoding == YuvEncoding{} || layout.layout == SourceLayout::NV12;
}

int Libyuv(const Layout& row, const std::uint8_t* source, int stride, std::uint8_t* destination, int width,
           int height)
{
    const int destinationStride = width * 4;
    const SourceLayout layout = row.layout;
    if (layout == SourceLayout::NV12 && !(row.encoding == YuvEncoding{}))
    {
        const libyuv::YuvConstants* constants = row.encoding == Bt709     ? &libyuv::kYuvH709Constants
                                                : row.encoding == Full601 ? &libyuv::kYuvJPEGConstants
                                                                          : &libyuv::kYuvF709Constants;
        return libyuv::NV12ToARGBMatrix(source, stride, source + static_cast<std::ptrdiff_t>(height) * stride,
                                        stride, destination, destinationStride, constants, width, height);
    }
    if (!HasLibyuv(row))
    {
        return -1;
    }
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

double ThreadMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double TimeMs(const std::function<void()>& work)
{
    const double start = ThreadMs();
    work();
    return ThreadMs() - start;
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 75;
    const int referenceRounds = std::min(rounds, 7);
    const RowKernels& fast = ActiveRowKernels();
    const RowKernels& scalar = *FindRowKernels(KernelVariant::Scalar);
    std::printf("conversion kernels: %s, copy: %s; %d rounds (scalar and swscale %d), medians in ms\n",
                fast.name, ActiveCopyMethod() == CopyMethod::RepMovsb ? "rep movsb" : "memcpy", rounds,
                referenceRounds);
    std::printf("%-9s %-10s %8s %8s %11s %11s   %s\n", "name", "size", "ours", "libyuv", "ours/libyuv",
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
            std::vector<double> ours, scalar, libyuv, swscale, memcpy, repMovsb, toLibyuv;
            SwsContext* context = nullptr;
            int stride = 0;
        };
        std::vector<Timings> timings(std::size(Layouts));
        for (std::size_t l = 0; l < std::size(Layouts); ++l)
        {
            const SourceLayout layout = Layouts[l].layout;
            timings[l].stride = static_cast<int>(SourceRowBytes(layout, width));
            timings[l].context = Layouts[l].swscaleFormat == AV_PIX_FMT_NONE
                                     ? nullptr
                                     : sws_getContext(width, height, Layouts[l].swscaleFormat, width, height,
                                                      AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
        }

        for (int round = -1; round < rounds; ++round)
        {
            for (std::size_t l = 0; l < std::size(Layouts); ++l)
            {
                const Layout& row = Layouts[l];
                Timings& t = timings[l];
                const int stride = t.stride;
                const BgraImage image{destination.data, width, height, width * 4};
                const SourceImage input{row.layout, source.data, width,       height,
                                        stride,     nullptr,     row.encoding};
                std::function<void()> work[] = {
                    [&] { ConvertToBgra(fast, input, image); },
                    [&] { ConvertToBgra(scalar, input, image); },
                    [&] { Libyuv(row, source.data, stride, destination.data, width, height); },
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
                // A new random order every round, ours and libyuv's together
                // (entry 0 stands for both); each timed run right after three
                // untimed runs of the same work, as when frame follows frame
                // (one run is not enough to shake off what a slow
                // predecessor left behind).
                int order[] = {0, 4, 5, 1, 3};
                const std::size_t candidates = round < referenceRounds ? 5 : 3;
                std::shuffle(std::begin(order), std::begin(order) + candidates, random);
                const bool libyuvFirst = random() % 2 == 1;
                double roundMs[6] = {};
                for (std::size_t c = 0; c < candidates; ++c)
                {
                    const int entry = order[c];
                    for (int step = 0; step < (entry == 0 ? 2 : 1); ++step)
                    {
                        const int which = entry != 0 ? entry : (step == 0) == libyuvFirst ? 2 : 0;
                        for (int warm = 0; warm < 3; ++warm)
                        {
                            work[which]();
                        }
                        roundMs[which] = TimeMs(work[which]);
                        if (round >= 0)
                        {
                            results[which]->push_back(roundMs[which]);
                        }
                    }
                }
                if (round >= 0)
                {
                    t.toLibyuv.push_back(roundMs[0] / roundMs[2]);
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
            const bool hasLibyuv = HasLibyuv(Layouts[l]);
            const double toLibyuv = Median(t.toLibyuv);
            const double toMemcpy = ours / copy;
            if (hasLibyuv)
            {
                worstLibyuv = std::max(worstLibyuv, toLibyuv);
            }
            worstMemcpy = std::max(worstMemcpy, toMemcpy);
            char libyuvText[2][16] = {"n/a", "n/a"};
            if (hasLibyuv)
            {
                std::snprintf(libyuvText[0], sizeof libyuvText[0], "%.3f", libyuv);
                std::snprintf(libyuvText[1], sizeof libyuvText[1], "%.2f", toLibyuv);
            }
            char swscale[32] = "n/a";
            if (t.context != nullptr)
            {
                std::snprintf(swscale, sizeof swscale, "%.3f", Median(t.swscale));
            }
            std::printf("%-9s %-10s %8.3f %8s %11s %11.2f   (%.3f, %s, %.3f, %.3f; %s)\n", Layouts[l].name,
                        (std::to_string(width) + "x" + std::to_string(height)).c_str(), ours, libyuvText[0],
                        libyuvText[1], toMemcpy, Median(t.scalar), swscale, memcpyMs, repMovsbMs,
                        Layouts[l].libyuvName);
            sws_freeContext(t.context);
        }
    }
    std::printf("worst: libyuv %.2f memcpy %.2f\n", worstLibyuv, worstMemcpy);
    return 0;
}
