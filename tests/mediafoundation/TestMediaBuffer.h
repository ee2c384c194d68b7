// TestMediaBuffer: a media buffer over bytes the test prepared. Plain access
// (Lock) hands out the bytes as they are; when built with two-dimensional
// access it also answers IMF2DBuffer, whose Lock2D gives the first scan line
// at a chosen offset and a chosen (possibly negative) pitch. Any thread; the
// bytes never change after construction.
#pragma once

#include "ComObject.h"

#include <mfobjects.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace MediaFoundationTests
{

// How a frame's bytes are handed out.
struct TestFrameBytes
{
    std::vector<std::uint8_t> bytes;
    // Two-dimensional access (IMF2DBuffer) is offered when true.
    bool twoDimensional = false;
    // For Lock2D: offset of the top image row in `bytes` and the pitch.
    std::size_t scanline0Offset = 0;
    std::int32_t pitch = 0;
};

class TestMediaBuffer final
    : public ComObject<Answers<IMFMediaBuffer, IMF2DBuffer>, IMFMediaBuffer, IMF2DBuffer>
{
public:
    // Returns a new buffer with one reference.
    static IMFMediaBuffer* Create(std::shared_ptr<const TestFrameBytes> frame);

    // IMF2DBuffer is withheld unless the frame offers two-dimensional access.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override;

    // IMFMediaBuffer
    HRESULT STDMETHODCALLTYPE Lock(BYTE** buffer, DWORD* maxLength, DWORD* currentLength) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
    HRESULT STDMETHODCALLTYPE GetCurrentLength(DWORD* length) override;
    HRESULT STDMETHODCALLTYPE SetCurrentLength(DWORD length) override;
    HRESULT STDMETHODCALLTYPE GetMaxLength(DWORD* length) override;

    // IMF2DBuffer
    HRESULT STDMETHODCALLTYPE Lock2D(BYTE** scanline0, LONG* pitch) override;
    HRESULT STDMETHODCALLTYPE Unlock2D() override;
    HRESULT STDMETHODCALLTYPE GetScanline0AndPitch(BYTE** scanline0, LONG* pitch) override;
    HRESULT STDMETHODCALLTYPE IsContiguousFormat(BOOL* contiguous) override;
    HRESULT STDMETHODCALLTYPE GetContiguousLength(DWORD* length) override;
    HRESULT STDMETHODCALLTYPE ContiguousCopyTo(BYTE* destination, DWORD length) override;
    HRESULT STDMETHODCALLTYPE ContiguousCopyFrom(const BYTE* source, DWORD length) override;

private:
    explicit TestMediaBuffer(std::shared_ptr<const TestFrameBytes> frame);
    ~TestMediaBuffer() override = default;

    std::atomic<int> locks_{0};
    std::shared_ptr<const TestFrameBytes> frame_;
};

} // namespace MediaFoundationTests
