#include "app/Plugin.h"

namespace TavixCapture
{

namespace
{
// A library with a missing dependency must fail quietly, without a system box.
class QuietLoadErrors
{
public:
    QuietLoadErrors()
    {
        restore_ = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_) != FALSE;
    }
    ~QuietLoadErrors()
    {
        if (restore_)
        {
            static_cast<void>(SetThreadErrorMode(previous_, nullptr));
        }
    }
    QuietLoadErrors(const QuietLoadErrors&) = delete;
    QuietLoadErrors& operator=(const QuietLoadErrors&) = delete;

private:
    DWORD previous_ = 0;
    bool restore_ = false;
};
} // namespace

MainModel::Plugin::Plugin(const std::wstring& path)
{
    {
        const QuietLoadErrors quiet;
        // The plug-in's own dependencies are searched in its folder first.
        library_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    if (library_ == nullptr)
    {
        throw Common::Exception(static_cast<HRESULT>(E_POINTER));
    }
    try
    {
        const auto entry = reinterpret_cast<Tavix::Framework::GetProcessorFactoryFunction>(
            reinterpret_cast<void*>(GetProcAddress(library_, Tavix::Framework::GetProcessorFactoryExport)));
        if (entry == nullptr)
        {
            throw Common::Exception(static_cast<HRESULT>(E_POINTER));
        }
        Common::ThrowIfFailed(entry(factory_.Put()));
        if (!factory_)
        {
            // Success without a factory is outside the contract: treated as failed.
            throw Common::Exception(static_cast<HRESULT>(E_POINTER));
        }
    }
    catch (...)
    {
        factory_.Reset();
        const BOOL unloaded = FreeLibrary(library_);
        library_ = nullptr;
        if (!unloaded)
        {
            throw Common::Exception(static_cast<HRESULT>(E_UNEXPECTED));
        }
        throw;
    }
}

MainModel::Plugin::~Plugin()
{
    // The factory's code lives in the library: release it first.
    factory_.Reset();
    if (library_ != nullptr && !FreeLibrary(library_))
    {
        // Nothing more can be done at this point than to say so.
        OutputDebugStringW(L"TavixCapture: a plug-in library could not be unloaded.\n");
    }
}

} // namespace TavixCapture
