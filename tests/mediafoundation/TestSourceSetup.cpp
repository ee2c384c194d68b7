#include "TestSourceSetup.h"

#include <mfapi.h>

namespace MediaFoundationTests
{

IMFMediaType* TestSourceSetup::AddType(const GUID& subtype, UINT32 width, UINT32 height, UINT32 rateNumerator,
                                       UINT32 rateDenominator, INT32 defaultStride,
                                       std::shared_ptr<const TestFrameBytes> frame, UINT32 extraAttributes)
{
    TestMediaTypeEntry entry;
    Common::ThrowIfFailed(MFCreateMediaType(entry.type.Put()));
    IMFMediaType* type = entry.type.Get();
    Common::ThrowIfFailed(type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video));
    Common::ThrowIfFailed(type->SetGUID(MF_MT_SUBTYPE, subtype));
    Common::ThrowIfFailed(type->SetUINT64(MF_MT_FRAME_SIZE, (UINT64{width} << 32) | height));
    Common::ThrowIfFailed(type->SetUINT64(MF_MT_FRAME_RATE, (UINT64{rateNumerator} << 32) | rateDenominator));
    if (defaultStride != 0)
    {
        Common::ThrowIfFailed(type->SetUINT32(MF_MT_DEFAULT_STRIDE, static_cast<UINT32>(defaultStride)));
    }
    Common::ThrowIfFailed(type->SetUINT32(TestTypeIndexKey, static_cast<UINT32>(types.size())));
    for (UINT32 i = 0; i < extraAttributes; ++i)
    {
        GUID key = TestTypeIndexKey;
        key.Data1 += i + 1;
        Common::ThrowIfFailed(type->SetUINT32(key, i));
    }
    entry.frame = std::move(frame);
    types.push_back(std::move(entry));
    return type;
}

} // namespace MediaFoundationTests
