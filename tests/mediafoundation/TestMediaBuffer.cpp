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

TestMediaBuffer::TestMediaBuffer(std::shared_ptr<const TestFrameBytes> frame) : frame_(std::move(frame))
{
    ++LiveObjects::buffers;
}

TestMediaBuffer::~TestMediaBuffer()
{
    --LiveObjects::buffers;
}

HRESULT TestMediaBuffer::QueryInterface(REFIID iid, void** result)
{
    if (result == nullptr)
    {
        return E_POINTER;
    }
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IMFMediaBuffer))
    {
        *result = static_cast<IMFMediaBuffer*>(this);
    }
    else if (iid == __uuidof(IMF2DBuffer) && frame_->twoDimensional)
    {
        *result = static_cast<IMF2DBuffer*>(this);
    }
    else
    {
        *result = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG TestMediaBuffer::AddRef()
{
    return ++references_;
}

ULONG TestMediaBuffer::Release()
{
    const ULONG count = --references_;
    if (count == 0)
    {
        delete this;
    }
    return count;
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
