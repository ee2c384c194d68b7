// A stand-in for the program's host services: it holds a frame the test
// fills, counts its references, and keeps profile values in memory.
#pragma once

#include "Common/capture/FrameBuffer.h"
#include "framework/IHostServices.h"

#include <atomic>
#include <map>
#include <string>

class FakeHost final : public Tavix::Framework::IHostServices
{
public:
    FakeHost() = default;
    ~FakeHost() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    // Lives on the test's stack: never destroys itself.
    ULONG STDMETHODCALLTYPE Release() override { return --references; }

    const std::wstring& STDMETHODCALLTYPE GetDirectory() override { return directory; }
    Common::FrameBuffer* STDMETHODCALLTYPE GetFrame() override { return &frame; }
    HRESULT STDMETHODCALLTYPE UpdateFrame() override
    {
        ++updates;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Redraw() override
    {
        ++redraws;
        return S_OK;
    }
    INT32 STDMETHODCALLTYPE GetProfileInt(const std::wstring& section, const std::wstring& key,
                                          INT32 defaultValue) override;
    std::wstring STDMETHODCALLTYPE GetProfileString(const std::wstring& section, const std::wstring& key,
                                                    const std::wstring& defaultValue) override;
    HRESULT STDMETHODCALLTYPE WriteProfileInt(const std::wstring& section, const std::wstring& key,
                                              INT32 value) override;
    HRESULT STDMETHODCALLTYPE WriteProfileString(const std::wstring& section, const std::wstring& key,
                                                 const std::wstring& value) override;

    // Fills the frame with one BGRA value.
    void Fill(std::int32_t width, std::int32_t height, std::uint32_t value);
    std::uint32_t Pixel(std::int32_t x, std::int32_t y) const;
    void SetPixel(std::int32_t x, std::int32_t y, std::uint32_t value);

    std::atomic<ULONG> references = 0;
    std::atomic<int> updates = 0;
    std::atomic<int> redraws = 0;
    std::wstring directory = L"C:\\Tools\\";
    Common::FrameBuffer frame;
    std::map<std::wstring, std::wstring> profile; // "section/key" -> value
};
