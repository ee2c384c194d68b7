#include "CriticalSection.h"

#include "Exception.h"

namespace Common
{

CriticalSection::CriticalSection()
{
    if (!InitializeCriticalSectionEx(&section_, 0, 0))
    {
        const DWORD error = GetLastError();
        const HRESULT hr = HRESULT_FROM_WIN32(error);
        if (FAILED(hr))
        {
            throw Exception(hr, L"CriticalSection", __LINE__);
        }
    }
}

CriticalSection::~CriticalSection()
{
    DeleteCriticalSection(&section_);
}

void CriticalSection::Lock()
{
    EnterCriticalSection(&section_);
}

void CriticalSection::Unlock()
{
    LeaveCriticalSection(&section_);
}

AutoLock::AutoLock(CriticalSection& lock) : lock_(&lock)
{
    lock_->Lock();
}

AutoLock::~AutoLock()
{
    lock_->Unlock();
}

} // namespace Common
