// Tavix::Framework::IRegionOfInterest: an optional interface of a processor
// that looks at one part of the frame (a measurement region): the host's own
// functions that judge the picture (the camera page's "飽和しない露出") then
// judge that part only. The host asks the processor for it with
// QueryInterface; a processor that does not answer, or answers S_FALSE,
// stands for the whole frame. Nothing else in the contract changes: a
// processor built before this interface existed simply does not answer, and
// a host built before it never asks.
//
// Versions: the host sets RegionOfInterest::size to the size of the
// structure it knows; later versions only add fields at the end, and a
// processor fills no more than the host's size.
//
// Threads: the host calls it on the UI thread, without a host lock, like
// every processor call but Process.
#pragma once

#include "framework/InterfaceId.h"

namespace Tavix::Framework
{

// A rectangle of frame pixels. It may reach outside the frame; the host
// uses the part inside.
struct RegionOfInterest
{
    UINT32 size; // set by the host: sizeof(RegionOfInterest) of its version
    INT32 x;     // left column
    INT32 y;     // top row
    INT32 width;
    INT32 height;
};

// {C24F2B95-D6A5-4EE2-93DA-7426D213B3B8}
inline constexpr IID IID_IRegionOfInterest = {
    0xc24f2b95, 0xd6a5, 0x4ee2, {0x93, 0xda, 0x74, 0x26, 0xd2, 0x13, 0xb3, 0xb8}};

struct TAVIX_INTERFACE_ID("C24F2B95-D6A5-4EE2-93DA-7426D213B3B8") IRegionOfInterest : public IUnknown
{
    // S_OK with `region` filled when the processor looks at a region;
    // S_FALSE when it looks at the whole frame; E_POINTER for null;
    // E_INVALIDARG when `region->size` is smaller than this first version.
    virtual HRESULT STDMETHODCALLTYPE GetRegionOfInterest(RegionOfInterest* region) = 0;
};

} // namespace Tavix::Framework

#if defined(__CRT_UUID_DECL)
__CRT_UUID_DECL(Tavix::Framework::IRegionOfInterest, 0xc24f2b95, 0xd6a5, 0x4ee2, 0x93, 0xda, 0x74, 0x26, 0xd2,
                0x13, 0xb3, 0xb8)
#endif
