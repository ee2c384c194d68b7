#include "app/PluginCatalog.h"

#include "app/Plugin.h"
#include "app/PluginCall.h"
#include "app/ProcessorEntry.h"

#include <algorithm>

namespace TavixCapture
{

namespace
{
constexpr wchar_t PluginPattern[] = L"Tavix*.dll";

// The "Tavix*.dll" files of `folder`, sorted without regard to case.
std::vector<std::wstring> FindLibraries(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + PluginPattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
    {
        return names; // no plug-ins: not an error
    }
    try
    {
        do
        {
            // A short (8.3) name lets "*.dll" match "x.dllx"; only real .dll files count.
            const std::wstring name = found.cFileName;
            const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (!isFolder && name.size() > 4 &&
                CompareStringOrdinal(name.c_str() + name.size() - 4, 4, L".dll", 4, TRUE) == CSTR_EQUAL)
            {
                names.push_back(name);
            }
        } while (FindNextFileW(search, &found));
    }
    catch (...)
    {
        static_cast<void>(FindClose(search));
        throw;
    }
    if (!FindClose(search))
    {
        throw Common::Exception(static_cast<HRESULT>(E_UNEXPECTED));
    }
    // NTFS returns names in this order; other file systems in any order. A
    // fixed order keeps the list the same from run to run.
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b)
              {
                  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
              });
    return names;
}
} // namespace

PluginCatalog::PluginCatalog(const std::wstring& folder)
{
    entries_.push_back(std::make_shared<MainModel::ProcessorEntry>(nullptr, 0, std::wstring()));
    for (const std::wstring& name : FindLibraries(folder))
    {
        try
        {
            AddLibrary(folder, name);
        }
        catch (const Common::Exception& error)
        {
            Leave(name, error.Message);
        }
        catch (const std::bad_alloc&)
        {
            Leave(name, L"メモリーが足りません");
        }
    }
}

PluginCatalog::~PluginCatalog() = default;

void PluginCatalog::AddLibrary(const std::wstring& folder, const std::wstring& fileName)
{
    const auto plugin = std::make_shared<MainModel::Plugin>(folder + fileName);
    INT32 count = 0;
    const HRESULT counted = CallPlugin([&] { return plugin->GetFactory().GetProcessorCount(&count); });
    if (FAILED(counted))
    {
        Leave(fileName, L"GetProcessorCount が失敗しました（" + DescribePluginFailure(counted) + L"）");
        return;
    }
    if (count <= 0 || count > MaxProcessorsPerLibrary)
    {
        Leave(fileName, count == 0 ? std::wstring(L"処理を 1 つも提供していません")
                                   : L"処理の数 " + std::to_wstring(count) + L" は範囲外です（1〜" +
                                         std::to_wstring(MaxProcessorsPerLibrary) + L"）");
        return;
    }
    for (INT32 index = 0; index < count; ++index)
    {
        std::wstring name;
        const HRESULT named = CallPlugin([&] { return plugin->GetFactory().GetProcessorName(index, name); });
        if (FAILED(named))
        {
            // The answers after a failed one are not trusted either.
            Leave(fileName, L"処理 " + std::to_wstring(index) + L" 以降: GetProcessorName が失敗しました（" +
                                DescribePluginFailure(named) + L"）");
            return;
        }
        std::wstring reason = CheckName(index, name);
        if (!reason.empty())
        {
            Leave(fileName, std::move(reason));
            continue;
        }
        entries_.push_back(std::make_shared<MainModel::ProcessorEntry>(plugin, index, std::move(name)));
    }
}

std::wstring PluginCatalog::CheckName(std::int32_t index, const std::wstring& name) const
{
    const std::wstring which = L"処理 " + std::to_wstring(index);
    if (name.empty())
    {
        return which + L": 名前が空です";
    }
    if (name.size() > MaxNameLength)
    {
        return which + L": 名前が長すぎます（" + std::to_wstring(name.size()) + L" 文字）";
    }
    if (std::any_of(name.begin(), name.end(), [](wchar_t c) { return c < L' '; }))
    {
        return which + L": 名前に制御文字があります";
    }
    // The list and the saved "ProcessorName" tell processors apart by name.
    if (name == MainModel::ProcessorEntry::NoneName)
    {
        return which + L": 名前「" + name + L"」は組み込みの処理の名前です";
    }
    for (const auto& entry : entries_)
    {
        if (entry->GetName() == name)
        {
            return which + L": 名前「" + name + L"」は " + entry->GetPlugin()->GetFileName() +
                   L" の処理と同じです";
        }
    }
    return std::wstring();
}

void PluginCatalog::Leave(const std::wstring& library, std::wstring reason)
{
    OutputDebugStringW((L"TavixCapture: " + library + L" left out: " + reason + L"\n").c_str());
    leftOut_.push_back({library, std::move(reason)});
}

} // namespace TavixCapture
