// Common::UniqueHandle: owner of one kernel handle, closed when destroyed.
// Both null and INVALID_HANDLE_VALUE mean "no handle".
#pragma once

#include <windows.h>

#include <utility>

namespace Common
{

class UniqueHandle
{
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(HANDLE handle) noexcept : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        UniqueHandle(std::move(other)).Swap(*this);
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    HANDLE Get() const noexcept { return handle_; }
    bool IsValid() const noexcept { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const noexcept { return IsValid(); }

    void Reset(HANDLE handle = nullptr) noexcept
    {
        if (IsValid())
        {
            CloseHandle(handle_);
        }
        handle_ = handle;
    }
    void Swap(UniqueHandle& other) noexcept { std::swap(handle_, other.handle_); }

private:
    HANDLE handle_ = nullptr;
};

} // namespace Common
