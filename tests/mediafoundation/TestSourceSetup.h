// TestSourceSetup: what a test device offers: its native media types in
// enumeration order and, for each, the bytes of the frames it delivers in
// that type. Shared (read-only once built) by the activation object and
// every media source it creates. Any thread.
#pragma once

#include "TestMediaBuffer.h"

#include "Common/ComPointer.h"

#include <mfidl.h>

#include <memory>
#include <vector>

namespace MediaFoundationTests
{

// Attribute put on every test media type: its index in the setup, so the
// stream knows which frame bytes belong to the current type.
// {6A1F3C52-7D0B-4E8A-9B61-2C5D8E4F7A10}
inline constexpr GUID TestTypeIndexKey = {
    0x6a1f3c52, 0x7d0b, 0x4e8a, {0x9b, 0x61, 0x2c, 0x5d, 0x8e, 0x4f, 0x7a, 0x10}};

struct TestMediaTypeEntry
{
    Common::ComPointer<IMFMediaType> type;
    std::shared_ptr<const TestFrameBytes> frame;
};

struct TestSourceSetup
{
    std::vector<TestMediaTypeEntry> types;
    // When true, sample requests wait until the test calls Deliver(); else a
    // sample answers every request at once.
    bool holdSamples = false;

    // Adds a native video type; returns it for further attributes.
    // defaultStride: written as MF_MT_DEFAULT_STRIDE unless 0.
    // extraAttributes: that many more (meaningless) attributes.
    IMFMediaType* AddType(const GUID& subtype, UINT32 width, UINT32 height, UINT32 rateNumerator,
                          UINT32 rateDenominator, INT32 defaultStride,
                          std::shared_ptr<const TestFrameBytes> frame, UINT32 extraAttributes = 0);
};

} // namespace MediaFoundationTests
