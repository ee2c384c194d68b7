// Identity of the virtual camera: its class and its property page's, the
// names it registers under and the property that selects its format
// catalogue.
#pragma once

#include <guiddef.h>

namespace VirtualCamera
{

// {5C2E7B1A-8F43-4D6B-9E21-7A3C5D1B0F64}
inline constexpr GUID ClassId = {
    0x5c2e7b1a, 0x8f43, 0x4d6b, {0x9e, 0x21, 0x7a, 0x3c, 0x5d, 0x1b, 0x0f, 0x64}};

// Its property page ("露出とゲイン"): a class of its own, as the platform's
// property frame creates pages by class.
// {8B1D4E62-3A07-4C95-B1F8-2D6E9C40A713}
inline constexpr GUID PropertyPageId = {
    0x8b1d4e62, 0x3a07, 0x4c95, {0xb1, 0xf8, 0x2d, 0x6e, 0x9c, 0x40, 0xa7, 0x13}};

inline constexpr wchar_t FriendlyName[] = L"Tavix Virtual Camera";
inline constexpr wchar_t DevicePath[] =
    L"\\\\?\\root#tavix_virtual_camera#0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
// Property-bag value of a registered instance; "broken" selects a catalogue
// without a single usable format, "videoinfo2" one described only with
// VIDEOINFOHEADER2, "preview" the standard one plus a preview pin with a
// format of its own (all used by tests), anything else the standard one.
inline constexpr wchar_t CatalogueProperty[] = L"VirtualCameraCatalogue";
inline constexpr wchar_t BrokenCatalogue[] = L"broken";
inline constexpr wchar_t VideoInfo2Catalogue[] = L"videoinfo2";
inline constexpr wchar_t PreviewPinCatalogue[] = L"preview";

} // namespace VirtualCamera
