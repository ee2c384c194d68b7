// Common::MediaFoundationDevice: one Media Foundation video capture device.
// (Being written; the transformer classes nested here are declared so that
// their own files can define them.)
#pragma once

#include "Common/capture/Device.h"

#include <guiddef.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace Common
{

class MediaFoundationDevice : public Device
{
public:
    // Converters from a source pixel layout into the device's FrameBuffer.
    class Transformer;
    class RGB32Transformer;
    class ARGB32Transformer;
    class RGB24Transformer;
    class RGB555Transformer;
    class RGB565Transformer;
    class RGB8Transformer;
    class YUY2Transformer;
    class YVYUTransformer;
    class UYVYTransformer;
    class NV12Transformer;
    class MJPGTransformer;

    // One of each transformer, in the order RGB32, ARGB32, RGB24, RGB555,
    // RGB565, RGB8, YUY2, YVYU, UYVY, NV12, MJPG.
    static std::vector<std::shared_ptr<Transformer>> CreateTransformers();
};

} // namespace Common
