// VirtualCamera::MediaTypeEnumerator: IEnumMediaTypes over a snapshot of the
// formats the pin offered when the enumerator was made. One caller at a time.
#pragma once

#include "CameraFormat.h"

#include <strmif.h>

#include <atomic>
#include <vector>

namespace VirtualCamera
{

class MediaTypeEnumerator final : public IEnumMediaTypes
{
public:
    MediaTypeEnumerator(std::vector<CameraFormat> formats, ULONG position);
    ~MediaTypeEnumerator();
    MediaTypeEnumerator(const MediaTypeEnumerator&) = delete;
    MediaTypeEnumerator& operator=(const MediaTypeEnumerator&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** result) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumMediaTypes** clone) override;

private:
    std::atomic<ULONG> references_{1};
    std::vector<CameraFormat> formats_;
    ULONG position_;
};

} // namespace VirtualCamera
