// Common::CriticalSection and Common::AutoLock: the program's recursive lock
// and its scoped holder. Every locked region holds the lock through AutoLock.
// Locks nest only in the program's lock order (Common/LockOrder.h).
#pragma once

#include <windows.h>

namespace Common
{

class CriticalSection
{
public:
    CriticalSection();
    virtual ~CriticalSection();
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    virtual void Lock();
    virtual void Unlock();

private:
    CRITICAL_SECTION section_;
};

class [[nodiscard]] AutoLock
{
public:
    explicit AutoLock(CriticalSection& lock);
    virtual ~AutoLock();
    AutoLock(const AutoLock&) = delete;
    AutoLock& operator=(const AutoLock&) = delete;

private:
    CriticalSection* lock_;
};

} // namespace Common
