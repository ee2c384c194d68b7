#include "Common/capture/directshow/DirectShowSubtypes.h"

#include "Common/capture/transform/IntegerTransformers.h"
#include "Common/capture/transform/MJPGTransformer.h"

#include <uuids.h>

#include <cstring>
#include <iterator>

namespace Common
{
namespace
{

struct SubtypeLayout
{
    const GUID* subtype;
    Convert::SourceLayout layout;
};

const SubtypeLayout Layouts[] = {
    {&MEDIASUBTYPE_RGB32, Convert::SourceLayout::RGB32},
    {&MEDIASUBTYPE_ARGB32, Convert::SourceLayout::ARGB32},
    {&MEDIASUBTYPE_RGB24, Convert::SourceLayout::RGB24},
    {&MEDIASUBTYPE_RGB555, Convert::SourceLayout::RGB555},
    {&MEDIASUBTYPE_RGB565, Convert::SourceLayout::RGB565},
    {&MEDIASUBTYPE_RGB8, Convert::SourceLayout::RGB8},
    {&MEDIASUBTYPE_YUY2, Convert::SourceLayout::YUY2},
    {&MEDIASUBTYPE_YVYU, Convert::SourceLayout::YVYU},
    {&MEDIASUBTYPE_UYVY, Convert::SourceLayout::UYVY},
    {&MEDIASUBTYPE_NV12, Convert::SourceLayout::NV12},
};

// I420 has no constant in the headers: its FOURCC on the base
// {xxxxxxxx-0000-0010-8000-00AA00389B71}.
constexpr GUID SubtypeI420 = {0x30323449, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

bool Is(const GUID& a, const GUID& b)
{
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

} // namespace

std::optional<Convert::SourceLayout> GetDirectShowSourceLayout(const GUID& subtype)
{
    for (const SubtypeLayout& entry : Layouts)
    {
        if (Is(*entry.subtype, subtype))
        {
            return entry.layout;
        }
    }
    return std::nullopt;
}

bool IsConvertedByTransformer(const GUID& subtype)
{
    return GetDirectShowSourceLayout(subtype).has_value() || Is(subtype, MEDIASUBTYPE_MJPG);
}

bool IsStreamableDirectShowSubtype(const GUID& subtype)
{
    return IsConvertedByTransformer(subtype) || Is(subtype, SubtypeI420) || Is(subtype, MEDIASUBTYPE_IYUV) ||
           Is(subtype, MEDIASUBTYPE_YV12);
}

std::vector<std::shared_ptr<Transformer>> CreateDirectShowTransformers()
{
    return {
        std::make_shared<RGB32Transformer>(MEDIASUBTYPE_RGB32),
        std::make_shared<ARGB32Transformer>(MEDIASUBTYPE_ARGB32),
        std::make_shared<RGB24Transformer>(MEDIASUBTYPE_RGB24),
        std::make_shared<RGB555Transformer>(MEDIASUBTYPE_RGB555),
        std::make_shared<RGB565Transformer>(MEDIASUBTYPE_RGB565),
        std::make_shared<RGB8Transformer>(MEDIASUBTYPE_RGB8),
        std::make_shared<YUY2Transformer>(MEDIASUBTYPE_YUY2),
        std::make_shared<YVYUTransformer>(MEDIASUBTYPE_YVYU),
        std::make_shared<UYVYTransformer>(MEDIASUBTYPE_UYVY),
        std::make_shared<NV12Transformer>(MEDIASUBTYPE_NV12),
        std::make_shared<MJPGTransformer>(MEDIASUBTYPE_MJPG),
    };
}

} // namespace Common
