#include "TestMediaBuffer.h"

#include "LiveObjects.h"

#include <mferror.h>

#include <cstring>

namespace MediaFoundationTests
{

IMFMediaBuffer* TestMediaBuffer::Create(std::shared_ptr<const TestFrameBytes> frame)
{
    return new TestMediaBuffer(std::move(frame));
}

TestMediaBuffer::TestMediaBuffer(std::shared_ptr<const TestFrameBytes> frame)
    : ComObject(&LiveObjects::buffers), frame_(std::move(frame))
{
}

HRESULT TestMediaBuffer::QueryInterface(REFIID iid, void** result)
{
    if (result != nullptr && iid == __uuidof(IMF2DBuffer) && !frame_->twoDimensional)
    {
        *result = nullptr;
        return E_NOINTERFACE;
    }
    return ComObject::QueryInterface(iid, result);
}

HRESULT TestMediaBuffer::Lock(BYTE** buffer, DWORD* maxLength, DWORD* currentLength)
{
    if (buffer == nullptr)
    {
        return E_POINTER;
    }
    ++locks_;
    ++LiveObjects::bufferLocks;
    *buffer = const_cast<BYTE*>(frame_->bytes.data());
    if (maxLength != nullptr)
    {
        *maxLength = static_cast<DWORD>(frame_->bytes.size());
    }
    if (currentLength != nullptr)
    {
        *currentLength = static_cast<DWORD>(frame_->bytes.size());
    }
    return S_OK;
}

HRESULT TestMediaBuffer::Unlock()
{
    --LiveObjects::bufferLocks;
    return --locks_ >= 0 ? S_OK : E_UNEXPECTED;
}

HRESULT TestMediaBuffer::GetCurrentLength(DWORD* length)
{
    *length = static_cast<DWORD>(frame_->bytes.size());
    return S_OK;
}

HRESULT TestMediaBuffer::SetCurrentLength(DWORD)
{
    return E_NOTIMPL;
}

HRESULT TestMediaBuffer::GetMaxLength(DWORD* length)
{
    return GetCurrentLength(length);
}

HRESULT TestMediaBuffer::Lock2D(BYTE** scanline0, LONG* pitch)
{
    if (scanline0 == nullptr || pitch == nullptr)
    {
        return E_POINTER;
    }
    ++locks_;
    ++LiveObjects::bufferLocks;
    *scanline0 = const_cast<BYTE*>(frame_->bytes.data()) + frame_->scanline0Offset;
    *pitch = frame_->pitch;
    return S_OK;
}

HRESULT TestMediaBuffer::Unlock2D()
{
    return Unlock();
}

HRESULT TestMediaBuffer::GetScanline0AndPitch(BYTE** scanline0, LONG* pitch)
{
    *scanline0 = const_cast<BYTE*>(frame_->bytes.data()) + frame_->scanline0Offset;
    *pitch = frame_->pitch;
    return S_OK;
}

HRESULT TestMediaBuffer::IsContiguousFormat(BOOL* contiguous)
{
    *contiguous = FALSE;
    return S_OK;
}

HRESULT TestMediaBuffer::GetContiguousLength(DWORD* length)
{
    return GetCurrentLength(length);
}

HRESULT TestMediaBuffer::ContiguousCopyTo(BYTE* destination, DWORD length)
{
    if (length < frame_->bytes.size())
    {
        return E_INVALIDARG;
    }
    std::memcpy(destination, frame_->bytes.data(), frame_->bytes.size());
    return S_OK;
}

HRESULT TestMediaBuffer::ContiguousCopyFrom(const BYTE*, DWORD)
{
    return E_NOTIMPL;
}

} // namespace MediaFoundationTests
