#include "app/Plugin.h"

#include "Common/TextHelpers.h"
#include "app/CrashReporter.h"
#include "app/PluginCall.h"

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

MainModel::Plugin::Plugin(const std::wstring& path) : fileName_(Common::GetFileNamePart(path))
{
    {
        const QuietLoadErrors quiet;
        // The plug-in's own dependencies are searched in its folder first.
        library_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    if (library_ == nullptr)
    {
        const HRESULT code = HRESULT_FROM_WIN32(GetLastError());
        throw Common::Exception(L"ライブラリとして読み込めません（" +
                                Common::Exception::GetSystemMessage(code) + L"）");
    }
    // Decided outside any handler: an exception of the library's must be
    // gone before the library is unloaded (CallPlugin sees to that).
    const std::wstring failure = Open();
    if (failure.empty())
    {
        CrashReporter::AddPluginModule(library_);
        return;
    }
    ReleasePluginObject(factory_);
    if (!FreeLibrary(library_))
    {
        OutputDebugStringW(L"TavixCapture: a plug-in library could not be unloaded.\n");
    }
    library_ = nullptr;
    throw Common::Exception(failure);
}

std::wstring MainModel::Plugin::Open()
{
    // The version mark is a constant: reading it runs nothing of the library's.
    if (const auto* version = reinterpret_cast<const UINT32*>(
            reinterpret_cast<void*>(GetProcAddress(library_, Tavix::Framework::InterfaceVersionExport))))
    {
        if (*version != Tavix::Framework::InterfaceVersion)
        {
            return L"プラグインインターフェースの版 " + std::to_wstring(*version) +
                   L" 用です（このプログラムは版 " + std::to_wstring(Tavix::Framework::InterfaceVersion) +
                   L"）";
        }
    }
    const auto entry = reinterpret_cast<Tavix::Framework::GetProcessorFactoryFunction>(
        reinterpret_cast<void*>(GetProcAddress(library_, Tavix::Framework::GetProcessorFactoryExport)));
    if (entry == nullptr)
    {
        return L"GetProcessorFactory を公開していません";
    }
    const HRESULT code = CallPlugin([&] { return entry(factory_.Put()); });
    if (FAILED(code))
    {
        return L"GetProcessorFactory が失敗しました（" + DescribePluginFailure(code) + L"）";
    }
    if (!factory_)
    {
        // Success without a factory is outside the contract: treated as failed.
        return L"GetProcessorFactory がファクトリーを返しませんでした";
    }
    return std::wstring();
}

MainModel::Plugin::~Plugin()
{
    // The factory's code lives in the library: release it first.
    ReleasePluginObject(factory_);
    CrashReporter::RemovePluginModule(library_);
    if (library_ != nullptr && !FreeLibrary(library_))
    {
        // Nothing more can be done at this point than to say so.
        OutputDebugStringW(L"TavixCapture: a plug-in library could not be unloaded.\n");
    }
}

} // namespace TavixCapture
