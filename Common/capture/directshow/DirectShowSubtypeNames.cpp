#include "Common/capture/directshow/DirectShowSubtypeNames.h"

#include <cstdint>
#include <cstring>
#include <iterator>

namespace Common
{
namespace
{

struct SubtypeName
{
    GUID subtype;
    const wchar_t* name;
};

// FOURCC subtype: the four characters as a little-endian 32-bit value on the
// base {xxxxxxxx-0000-0010-8000-00AA00389B71}.
constexpr GUID FourCc(const char (&code)[5])
{
    const std::uint32_t value = static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) |
                                static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 8 |
                                static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 16 |
                                static_cast<std::uint32_t>(static_cast<unsigned char>(code[3])) << 24;
    return {value, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

constexpr GUID RgbSubtype(std::uint32_t first)
{
    return {first, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
}

constexpr SubtypeName Table[] = {
    {RgbSubtype(0xE436EB8E), L"None"},
    {FourCc("CLPL"), L"CLPL"},
    {FourCc("YUYV"), L"YUYV"},
    {FourCc("IYUV"), L"IYUV"},
    {FourCc("YVU9"), L"YVU9"},
    {FourCc("Y411"), L"Y411"},
    {FourCc("Y41P"), L"Y41P"},
    {FourCc("YUY2"), L"YUY2"},
    {FourCc("YVYU"), L"YVYU"},
    {FourCc("UYVY"), L"UYVY"},
    {FourCc("Y211"), L"Y211"},
    {FourCc("CLJR"), L"CLJR"},
    {FourCc("IF09"), L"IF09"},
    {FourCc("CPLA"), L"CPLA"},
    {FourCc("MJPG"), L"MJPG"},
    {FourCc("TVMJ"), L"TVMJ"},
    {FourCc("WAKE"), L"WAKE"},
    {FourCc("CFCC"), L"CFCC"},
    {FourCc("IJPG"), L"IJPG"},
    {FourCc("Plum"), L"Plum"},
    {FourCc("DVCS"), L"DVCS"},
    {FourCc("H264"), L"H264"},
    {FourCc("DVSD"), L"DVSD"},
    {FourCc("MDVF"), L"MDVF"},
    {RgbSubtype(0xE436EB78), L"RGB1"},
    {RgbSubtype(0xE436EB79), L"RGB4"},
    {RgbSubtype(0xE436EB7A), L"RGB8"},
    {RgbSubtype(0xE436EB7B), L"RGB565"},
    {RgbSubtype(0xE436EB7C), L"RGB555"},
    {RgbSubtype(0xE436EB7D), L"RGB24"},
    {RgbSubtype(0xE436EB7E), L"RGB32"},
    {{0x297C55AF, 0xE209, 0x4CB3, {0xB7, 0x57, 0xC7, 0x6D, 0x6B, 0x9C, 0x88, 0xA8}}, L"ARGB1555"},
    {{0x6E6415E6, 0x5C24, 0x425F, {0x93, 0xCD, 0x80, 0x10, 0x2B, 0x3D, 0x1C, 0xCA}}, L"ARGB4444"},
    {{0x773C9AC0, 0x3274, 0x11D0, {0xB7, 0x24, 0x00, 0xAA, 0x00, 0x6C, 0x1A, 0x01}}, L"ARGB32"},
    {{0x2F8BB76D, 0xB644, 0x4550, {0xAC, 0xF3, 0xD3, 0x0C, 0xAA, 0x65, 0xD5, 0xC5}}, L"A2R10G10B10"},
    {{0x576F7893, 0xBDF6, 0x48C4, {0x87, 0x5F, 0xAE, 0x7B, 0x81, 0x83, 0x45, 0x67}}, L"A2B10G10R10"},
    {FourCc("AYUV"), L"AYUV"},
    {FourCc("AI44"), L"AI44"},
    {FourCc("IA44"), L"IA44"},
    {FourCc("YV12"), L"YV12"},
    {FourCc("NV12"), L"NV12"},
    {FourCc("NV11"), L"NV11"},
    {FourCc("P208"), L"P208"},
    {FourCc("P210"), L"P210"},
    {FourCc("P216"), L"P216"},
    {FourCc("P010"), L"P010"},
    {FourCc("P016"), L"P016"},
    {FourCc("Y210"), L"Y210"},
    {FourCc("Y216"), L"Y216"},
    {FourCc("P408"), L"P408"},
    {FourCc("NV24"), L"NV24"},
    {FourCc("IMC1"), L"IMC1"},
    {FourCc("IMC2"), L"IMC2"},
    {FourCc("IMC3"), L"IMC3"},
    {FourCc("IMC4"), L"IMC4"},
    {FourCc("S340"), L"S340"},
    {FourCc("S342"), L"S342"},
};
static_assert(std::size(Table) == 57);

} // namespace

const wchar_t* GetDirectShowSubtypeName(const GUID& subtype)
{
    for (const SubtypeName& entry : Table)
    {
        if (std::memcmp(&entry.subtype, &subtype, sizeof(GUID)) == 0)
        {
            return entry.name;
        }
    }
    return L"Unknown";
}

} // namespace Common
