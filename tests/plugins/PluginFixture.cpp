#include "PluginFixture.h"

#include "Common/Exception.h"
#include "Common/TextHelpers.h"
#include "app/ProcessorEntry.h"

namespace
{
// The folder of the running test program, ending with a separator.
std::wstring TestProgramFolder()
{
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    EXPECT_NE(length, 0u);
    path.resize(length);
    return Common::GetDirectoryPart(path);
}

void Copy(const std::wstring& source, const std::wstring& target)
{
    ASSERT_TRUE(CopyFileW(source.c_str(), target.c_str(), TRUE))
        << "cannot copy " << testing::PrintToString(source) << ": " << GetLastError();
}
} // namespace

HRESULT CodeOf(const std::function<void()>& action)
{
    try
    {
        action();
    }
    catch (const Common::Exception& error)
    {
        return error.ErrorCode;
    }
    return S_OK;
}

void PluginTest::Install(const wchar_t* kind, const std::wstring& name)
{
    Copy(TestProgramFolder() + L"testplugins\\" + kind + L".dll", folder.File(name));
}

void PluginTest::InstallBeside(const std::wstring& pathInTestFolder)
{
    Copy(TestProgramFolder() + pathInTestFolder, folder.File(Common::GetFileNamePart(pathInTestFolder)));
}

std::wstring PluginTest::TakeEvents(const std::wstring& name)
{
    const HMODULE module = GetModuleHandleW(folder.File(name).c_str());
    EXPECT_NE(module, nullptr) << "not loaded";
    using Take = void(__stdcall*)(std::wstring&);
    const auto take =
        reinterpret_cast<Take>(reinterpret_cast<void*>(GetProcAddress(module, "TakeTestEvents")));
    std::wstring events;
    if (take != nullptr)
    {
        take(events);
    }
    return events;
}

bool PluginTest::IsLoaded(const std::wstring& name) const
{
    return GetModuleHandleW(folder.File(name).c_str()) != nullptr;
}

std::vector<std::wstring> PluginTest::Names(const TavixCapture::MainModel& model)
{
    std::vector<std::wstring> names;
    for (const auto& entry : model.GetProcessorEntries())
    {
        names.push_back(entry->GetName());
    }
    return names;
}

void PluginTest::Listen(TavixCapture::MainModel& model)
{
    model.AddListener(&window);
    window.Drain();
}

bool PluginTest::WaitForSetting(const wchar_t* section, const wchar_t* key, std::int32_t value)
{
    const ULONGLONG deadline = GetTickCount64() + 20000;
    while (profile.ReadInt(section, key, value - 1) != value)
    {
        if (GetTickCount64() > deadline)
        {
            return false;
        }
        window.PumpQueued();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}
