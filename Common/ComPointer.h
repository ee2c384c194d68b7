// Common::ComPointer: owner of one counted reference to a COM interface.
// Handing out the address for an out-parameter, or creating an object into
// it, requires it to be empty: filling a pointer that still holds a
// reference would leak it, so that raises Exception(E_UNEXPECTED).
// Not thread-safe by itself; the holder's lock guards it.
#pragma once

#include "Exception.h"

#include <objbase.h>

#include <utility>

namespace Common
{

template <class T> class ComPointer
{
public:
    ComPointer() noexcept = default;
    ComPointer(std::nullptr_t) noexcept {}
    // Takes its own reference to a borrowed pointer.
    explicit ComPointer(T* borrowed) noexcept : pointer_(borrowed)
    {
        if (pointer_ != nullptr)
        {
            pointer_->AddRef();
        }
    }
    ComPointer(const ComPointer& other) noexcept : ComPointer(other.pointer_) {}
    ComPointer(ComPointer&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPointer& operator=(const ComPointer& other) noexcept
    {
        ComPointer(other).Swap(*this);
        return *this;
    }
    ComPointer& operator=(ComPointer&& other) noexcept
    {
        ComPointer(std::move(other)).Swap(*this);
        return *this;
    }
    ~ComPointer() { Reset(); }

    T* Get() const noexcept { return pointer_; }
    T* operator->() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }

    // Releases the reference and becomes empty.
    void Reset() noexcept
    {
        if (T* old = std::exchange(pointer_, nullptr))
        {
            old->Release();
        }
    }
    // Takes over a reference the caller already owns.
    void Attach(T* owned) noexcept
    {
        Reset();
        pointer_ = owned;
    }
    // Gives up the reference to the caller.
    [[nodiscard]] T* Detach() noexcept { return std::exchange(pointer_, nullptr); }
    void Swap(ComPointer& other) noexcept { std::swap(pointer_, other.pointer_); }

    // Address for an out-parameter; the pointer must be empty.
    T** Put()
    {
        if (pointer_ != nullptr)
        {
            throw Exception(static_cast<HRESULT>(E_UNEXPECTED), L"ComPointer", __LINE__);
        }
        return &pointer_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    // CoCreateInstance into the empty pointer; a failure raises its code.
    void CreateInstance(REFCLSID classId, DWORD context = CLSCTX_ALL)
    {
        void** target = PutVoid();
        const HRESULT hr = CoCreateInstance(classId, nullptr, context, __uuidof(T), target);
        if (FAILED(hr))
        {
            throw Exception(hr, L"ComPointer", __LINE__);
        }
    }

    // QueryInterface into another (empty) pointer; returns the platform's code.
    template <class U> HRESULT QueryInterface(ComPointer<U>& result) const
    {
        if (pointer_ == nullptr)
        {
            return E_POINTER;
        }
        return pointer_->QueryInterface(__uuidof(U), result.PutVoid());
    }

    friend bool operator==(const ComPointer& a, const ComPointer& b) noexcept
    {
        return a.pointer_ == b.pointer_;
    }

private:
    T* pointer_ = nullptr;
};

} // namespace Common
