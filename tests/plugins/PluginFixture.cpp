#include "PluginFixture.h"

#include "app/ProcessorEntry.h"

NotificationWindow::NotificationWindow()
{
    Attach(CreateWindowExW(0, L"STATIC", L"listener", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr));
    EXPECT_NE(GetSafeHwnd(), nullptr) << "no window: is there a display?";
}

NotificationWindow::~NotificationWindow()
{
    ::DestroyWindow(Detach());
}

std::vector<int> NotificationWindow::Drain()
{
    std::vector<int> ids;
    MSG message;
    while (PeekMessageW(&message, GetSafeHwnd(), WM_APP, WM_APP, PM_REMOVE))
    {
        ids.push_back(static_cast<int>(message.lParam));
    }
    return ids;
}

std::wstring TestProgramFolder()
{
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    EXPECT_NE(length, 0u);
    path.resize(length);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

PluginTest::PluginTest() : profile(folder.File(L"TavixCapture.ini"))
{
    camera = std::make_shared<TestSupport::FakeDevice>(
        L"Camera", L"\\\\?\\camera",
        std::initializer_list<TestSupport::FormatInfo>{{L"YUY2", 64, 48, 30.0}, {L"YUY2", 32, 24, 30.0}});
}

std::unique_ptr<TavixCapture::MainModel> PluginTest::MakeModel()
{
    return std::make_unique<TavixCapture::MainModel>(
        profile, [this](std::int32_t, bool, bool) { return TestSupport::MakeCapture({camera}); }, 0, true,
        false, folder.Path());
}

void PluginTest::Install(const wchar_t* kind, const std::wstring& name)
{
    const std::wstring source = TestProgramFolder() + L"testplugins\\" + kind + L".dll";
    ASSERT_TRUE(CopyFileW(source.c_str(), folder.File(name).c_str(), TRUE))
        << "cannot copy " << testing::PrintToString(source) << ": " << GetLastError();
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

std::int32_t PluginTest::IndexOf(const TavixCapture::MainModel& model, const std::wstring& name)
{
    const auto names = Names(model);
    for (std::size_t i = 0; i < names.size(); ++i)
    {
        if (names[i] == name)
        {
            return static_cast<std::int32_t>(i);
        }
    }
    ADD_FAILURE() << "no processor " << testing::PrintToString(name);
    return 0;
}

void PluginTest::Listen(TavixCapture::MainModel& model)
{
    model.AddListener(&window);
    window.Drain();
}
