// Common::DirectShowMediaType: owner of one AM_MEDIA_TYPE allocated with the
// COM task allocator (as DirectShow hands them out): it frees the format
// block, the optional interface and the structure itself when destroyed.
// Not thread-safe by itself; immutable once built, then readable anywhere.
#pragma once

#include <windows.h>

#include <strmif.h>

namespace Common
{

class DirectShowMediaType
{
public:
    DirectShowMediaType() noexcept = default;
    // Takes over a task-allocated media type (may be null).
    explicit DirectShowMediaType(AM_MEDIA_TYPE* owned) noexcept : mediaType_(owned) {}
    DirectShowMediaType(DirectShowMediaType&& other) noexcept;
    DirectShowMediaType& operator=(DirectShowMediaType&& other) noexcept;
    DirectShowMediaType(const DirectShowMediaType&) = delete;
    DirectShowMediaType& operator=(const DirectShowMediaType&) = delete;
    ~DirectShowMediaType();

    AM_MEDIA_TYPE* Get() const noexcept { return mediaType_; }
    AM_MEDIA_TYPE* operator->() const noexcept { return mediaType_; }
    explicit operator bool() const noexcept { return mediaType_ != nullptr; }

    // Address for an out-parameter; must be empty (else Exception E_UNEXPECTED).
    AM_MEDIA_TYPE** Put();
    void Reset() noexcept;
    [[nodiscard]] AM_MEDIA_TYPE* Detach() noexcept;

    // Deep-copies `source` into the caller's structure (which holds nothing).
    static HRESULT CopyInto(const AM_MEDIA_TYPE& source, AM_MEDIA_TYPE& target) noexcept;
    // Frees what a media type structure points to and empties those fields.
    static void FreeContents(AM_MEDIA_TYPE& mediaType) noexcept;

private:
    AM_MEDIA_TYPE* mediaType_ = nullptr;
};

} // namespace Common
