// Common::MediaFoundationDevice's ten integer transformers, one per
// uncompressed source layout. Each is a KernelTransformer bound to its
// Media Foundation subtype and kernel layout; see KernelTransformer.h and
// Common/capture/convert/ConvertToBgra.h for the conversion rules.
// Stateless; threads as Transformer.
#pragma once

#include "Common/capture/mediafoundation/KernelTransformer.h"

namespace Common
{

// copies B, G, R; alpha becomes 0xFF
class MediaFoundationDevice::RGB32Transformer final : public KernelTransformer
{
public:
    RGB32Transformer();
};

// copies all four bytes; alpha kept
class MediaFoundationDevice::ARGB32Transformer final : public KernelTransformer
{
public:
    ARGB32Transformer();
};

// B, G, R to B, G, R, 0xFF
class MediaFoundationDevice::RGB24Transformer final : public KernelTransformer
{
public:
    RGB24Transformer();
};

// 5-5-5 fields widened by shifting (full intensity 248)
class MediaFoundationDevice::RGB555Transformer final : public KernelTransformer
{
public:
    RGB555Transformer();
};

// 5-6-5 fields widened by shifting (248, 252, 248)
class MediaFoundationDevice::RGB565Transformer final : public KernelTransformer
{
public:
    RGB565Transformer();
};

// the byte as a grey level; no palette
class MediaFoundationDevice::RGB8Transformer final : public KernelTransformer
{
public:
    RGB8Transformer();
};

// packed 4:2:2, Y0 U Y1 V
class MediaFoundationDevice::YUY2Transformer final : public KernelTransformer
{
public:
    YUY2Transformer();
};

// packed 4:2:2, Y0 V Y1 U
class MediaFoundationDevice::YVYUTransformer final : public KernelTransformer
{
public:
    YVYUTransformer();
};

// packed 4:2:2, U Y0 V Y1
class MediaFoundationDevice::UYVYTransformer final : public KernelTransformer
{
public:
    UYVYTransformer();
};

// Y plane, then U V pairs at half resolution
class MediaFoundationDevice::NV12Transformer final : public KernelTransformer
{
public:
    NV12Transformer();
};

} // namespace Common
