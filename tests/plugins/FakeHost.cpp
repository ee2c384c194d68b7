#include "FakeHost.h"

#include <cstring>

HRESULT FakeHost::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
    {
        return E_POINTER;
    }
    *object = nullptr;
    if (iid != IID_IUnknown && iid != Tavix::Framework::IID_IHostServices)
    {
        return E_NOINTERFACE;
    }
    *object = static_cast<IHostServices*>(this);
    AddRef();
    return S_OK;
}

INT32 FakeHost::GetProfileInt(const std::wstring& section, const std::wstring& key, INT32 defaultValue)
{
    const auto found = profile.find(section + L"/" + key);
    return found == profile.end() ? defaultValue : std::stoi(found->second);
}

std::wstring FakeHost::GetProfileString(const std::wstring& section, const std::wstring& key,
                                        const std::wstring& defaultValue)
{
    const auto found = profile.find(section + L"/" + key);
    return found == profile.end() ? defaultValue : found->second;
}

HRESULT FakeHost::WriteProfileInt(const std::wstring& section, const std::wstring& key, INT32 value)
{
    profile[section + L"/" + key] = std::to_wstring(value);
    return S_OK;
}

HRESULT FakeHost::WriteProfileString(const std::wstring& section, const std::wstring& key,
                                     const std::wstring& value)
{
    profile[section + L"/" + key] = value;
    return S_OK;
}

void FakeHost::Fill(std::int32_t width, std::int32_t height, std::uint32_t value)
{
    frame.Resize(width, height);
    for (std::size_t i = 0; i < frame.pixels.size(); i += 4)
    {
        std::memcpy(frame.pixels.data() + i, &value, 4);
    }
}

std::uint32_t FakeHost::Pixel(std::int32_t x, std::int32_t y) const
{
    std::uint32_t value;
    std::memcpy(&value, frame.pixels.data() + static_cast<std::size_t>(y * frame.stride + x * 4), 4);
    return value;
}

void FakeHost::SetPixel(std::int32_t x, std::int32_t y, std::uint32_t value)
{
    std::memcpy(frame.pixels.data() + static_cast<std::size_t>(y * frame.stride + x * 4), &value, 4);
}
