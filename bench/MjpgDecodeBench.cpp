// Benchmark of the MJPG conversion at 1920x1080 and 3840x2160: a camera-like
// picture encoded by the platform's JPEG encoder, decoded frame after frame
// by the program's MJPG transformer. It times the decode (Prepare, which the
// devices run before they take the frame's lock) and the step under the
// frame's lock (Transform, which puts the decoded image into the frame),
// beside a memcpy of the frame. One line per size, in the form of the
// conversion benchmark's lines:
//   name size ours-ms libyuv-ms ours/libyuv ours/memcpy  (extra figures)
// where "ours" is decode and placement together; libyuv is not in this
// (Windows) build, so its columns show n/a. Then one line on Media
// Foundation's own MJPG decoders: how many the platform lists.
// Times are wall-clock medians (the thread's processor time is too coarse
// under Wine). Usage: mjpg_bench [rounds]
#include "Common/ComInitializer.h"
#include "Common/ComPointer.h"
#include "Common/Exception.h"
#include "Common/capture/FrameBuffer.h"
#include "Common/capture/transform/MJPGTransformer.h"
#include "tests/support/TestJpeg.h"

#include <windows.h>

#include <mfapi.h>
#include <mftransform.h>
#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace
{

double NowMs()
{
    static const double ticksPerMs = []
    {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticksPerMs;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// What a camera sees rather than a test card: smooth shading with fine
// texture and a little sensor noise, so the JPEG has a camera's size.
std::vector<std::uint8_t> CameraLikeJpeg(int width, int height)
{
    std::mt19937 random(7);
    std::vector<std::uint8_t> noise(static_cast<std::size_t>(width) * height);
    for (auto& value : noise)
    {
        value = static_cast<std::uint8_t>(random() % 9);
    }
    return TestSupport::EncodeJpeg(
        width, height,
        [&](int x, int y, std::uint8_t bgr[3])
        {
            const double u = static_cast<double>(x) / width;
            const double v = static_cast<double>(y) / height;
            const int texture = ((x / 3 + y / 5) % 7) * 3 + noise[static_cast<std::size_t>(y) * width + x];
            bgr[0] = static_cast<std::uint8_t>(std::clamp(40 + 150 * v + texture, 0.0, 255.0));
            bgr[1] = static_cast<std::uint8_t>(std::clamp(60 + 120 * u * v + texture, 0.0, 255.0));
            bgr[2] = static_cast<std::uint8_t>(std::clamp(200 - 140 * u + texture, 0.0, 255.0));
        });
}

// The decoders Media Foundation lists for MJPG input, of any kind.
UINT32 CountMediaFoundationMjpgDecoders()
{
    if (FAILED(MFStartup(MF_VERSION, MFSTARTUP_LITE)))
    {
        return 0;
    }
    const MFT_REGISTER_TYPE_INFO input = {MFMediaType_Video, MFVideoFormat_MJPG};
    IMFActivate** activates = nullptr;
    UINT32 count = 0;
    if (SUCCEEDED(
            MFTEnumEx(MFT_CATEGORY_VIDEO_DECODER, MFT_ENUM_FLAG_ALL, &input, nullptr, &activates, &count)))
    {
        for (UINT32 i = 0; i < count; ++i)
        {
            activates[i]->Release();
        }
        CoTaskMemFree(activates);
    }
    else
    {
        count = 0;
    }
    MFShutdown();
    return count;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    try
    {
        const int rounds = argc > 1 ? std::max(3, _wtoi(argv[1])) : 30;
        const Common::ComInitializer com;
        Common::MJPGTransformer transformer(MFVideoFormat_MJPG);
        const std::pair<int, int> sizes[] = {{1920, 1080}, {3840, 2160}};
        for (const auto& size : sizes)
        {
            const int width = size.first;
            const int height = size.second;
            const std::vector<std::uint8_t> jpeg = CameraLikeJpeg(width, height);
            const auto length = static_cast<std::uint32_t>(jpeg.size());
            Common::FrameBuffer frame;
            frame.Resize(width, height);
            std::vector<std::uint8_t> copySource(frame.pixels.size(), 0x40);
            std::vector<double> decode, place, copy;
            for (int round = -3; round < rounds; ++round)
            {
                const double start = NowMs();
                transformer.Prepare(jpeg.data(), length);
                const double decoded = NowMs();
                transformer.Transform(jpeg.data(), length, width, height, 0, frame);
                const double placed = NowMs();
                std::memcpy(frame.pixels.data(), copySource.data(), copySource.size());
                const double copied = NowMs();
                if (round >= 0)
                {
                    decode.push_back(decoded - start);
                    place.push_back(placed - decoded);
                    copy.push_back(copied - placed);
                }
            }
            const double decodeMs = Median(decode);
            const double placeMs = Median(place);
            const double copyMs = Median(copy);
            const double ours = decodeMs + placeMs;
            std::printf(
                "%-9s %-10s %8.3f %8s %11s %11.2f   (decode %.3f, under the frame lock %.3f, memcpy %.3f; "
                "%u-byte JPEG, WIC; %.0f fps at most)\n",
                "MJPG", (std::to_string(width) + "x" + std::to_string(height)).c_str(), ours, "n/a", "n/a",
                ours / copyMs, decodeMs, placeMs, copyMs, length, 1000.0 / ours);
        }
        std::printf("Media Foundation MJPG decoders listed: %u\n", CountMediaFoundationMjpgDecoders());
        return 0;
    }
    catch (const Common::Exception& error)
    {
        std::fwprintf(stderr, L"mjpg_bench: 0x%08lX %ls\n", static_cast<unsigned long>(error.ErrorCode),
                      error.Message.c_str());
        return 1;
    }
}
