// The ten integer transformers, one per uncompressed source layout. Each is
// a KernelTransformer bound to its kernel layout and to the subtype the
// creating backend names that layout with (Media Foundation and DirectShow
// differ for the RGB layouts); see KernelTransformer.h and
// Common/capture/convert/ConvertToBgra.h for the conversion rules.
// Stateless; threads as Transformer.
#pragma once

#include "Common/capture/transform/KernelTransformer.h"

namespace Common
{

// copies B, G, R; alpha becomes 0xFF
class RGB32Transformer final : public KernelTransformer
{
public:
    explicit RGB32Transformer(const GUID& subtype);
};

// copies all four bytes; alpha kept
class ARGB32Transformer final : public KernelTransformer
{
public:
    explicit ARGB32Transformer(const GUID& subtype);
};

// B, G, R to B, G, R, 0xFF
class RGB24Transformer final : public KernelTransformer
{
public:
    explicit RGB24Transformer(const GUID& subtype);
};

// 5-5-5 fields widened by shifting (full intensity 248)
class RGB555Transformer final : public KernelTransformer
{
public:
    explicit RGB555Transformer(const GUID& subtype);
};

// 5-6-5 fields widened by shifting (248, 252, 248)
class RGB565Transformer final : public KernelTransformer
{
public:
    explicit RGB565Transformer(const GUID& subtype);
};

// the byte as a grey level; no palette
class RGB8Transformer final : public KernelTransformer
{
public:
    explicit RGB8Transformer(const GUID& subtype);
};

// packed 4:2:2, Y0 U Y1 V
class YUY2Transformer final : public KernelTransformer
{
public:
    explicit YUY2Transformer(const GUID& subtype);
};

// packed 4:2:2, Y0 V Y1 U
class YVYUTransformer final : public KernelTransformer
{
public:
    explicit YVYUTransformer(const GUID& subtype);
};

// packed 4:2:2, U Y0 V Y1
class UYVYTransformer final : public KernelTransformer
{
public:
    explicit UYVYTransformer(const GUID& subtype);
};

// Y plane, then U V pairs at half resolution
class NV12Transformer final : public KernelTransformer
{
public:
    explicit NV12Transformer(const GUID& subtype);
};

} // namespace Common
