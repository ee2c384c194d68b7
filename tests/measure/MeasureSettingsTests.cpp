// The 計測 page writes its settings once per user action: a number typed
// into an edit box is measured at once but written when the box is left
// (or at Terminate), a choice at once. The processor is made from the
// library's factory and runs on a host of the test's own that counts the
// settings it is asked to write.
#include "support/ComObject.h"
#include "support/Desktop.h"
#include "support/HostWindow.h"

#include "Common/ComPointer.h"
#include "framework/IHostServices.h"
#include "framework/IProcessorFactory.h"

#include "MeasureResource.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace
{

// Reads give the defaults; writes are counted per key, with the last value.
class CountingHost final
    : public TestSupport::ComObject<TestSupport::Answers<Tavix::Framework::IHostServices>,
                                    Tavix::Framework::IHostServices>
{
public:
    std::map<std::wstring, int> writes;
    std::map<std::wstring, std::wstring> values;

    const std::wstring& STDMETHODCALLTYPE GetDirectory() override { return directory_; }
    Common::FrameBuffer* STDMETHODCALLTYPE GetFrame() override { return nullptr; }
    HRESULT STDMETHODCALLTYPE UpdateFrame() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Redraw() override { return S_OK; }
    INT32 STDMETHODCALLTYPE GetProfileInt(const std::wstring&, const std::wstring&,
                                          INT32 defaultValue) override
    {
        return defaultValue;
    }
    std::wstring STDMETHODCALLTYPE GetProfileString(const std::wstring&, const std::wstring&,
                                                    const std::wstring& defaultValue) override
    {
        return defaultValue;
    }
    HRESULT STDMETHODCALLTYPE WriteProfileInt(const std::wstring& section, const std::wstring& key,
                                              INT32 value) override
    {
        return WriteProfileString(section, key, std::to_wstring(value));
    }
    HRESULT STDMETHODCALLTYPE WriteProfileString(const std::wstring&, const std::wstring& key,
                                                 const std::wstring& value) override
    {
        ++writes[key];
        values[key] = value;
        return S_OK;
    }

private:
    std::wstring directory_ = L".\\";
};

std::wstring Text(HWND window)
{
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

} // namespace

TEST(MeasureSettings, ATypedNumberIsWrittenOnceWhenItsBoxIsLeftAndAChoiceAtOnce)
{
    const HMODULE library = LoadLibraryW(L"TavixMeasure.dll");
    ASSERT_NE(library, nullptr);
    using FactoryEntry = HRESULT(__stdcall*)(Tavix::Framework::IProcessorFactory**);
    const auto entry = reinterpret_cast<FactoryEntry>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "GetProcessorFactory")));
    ASSERT_NE(entry, nullptr);
    Common::ComPointer<Tavix::Framework::IProcessorFactory> factory;
    ASSERT_EQ(entry(factory.Put()), S_OK);
    Common::ComPointer<Tavix::Framework::IProcessor> processor;
    ASSERT_EQ(factory->CreateProcessor(0, processor.Put()), S_OK);
    Common::ComPointer<CountingHost> host;
    host.Attach(new CountingHost);
    ASSERT_EQ(processor->Initialize(host.Get()), S_OK);
    {
        TestSupport::HostWindow window(400, 560);
        Common::Mfc::Window* page = nullptr;
        ASSERT_EQ(processor->CreatePage(&window, &page), S_OK);
        const HWND dialog = page->GetSafeHwnd();
        ShowWindow(dialog, SW_SHOW);
        TestSupport::Settle();
        const HWND scale = GetDlgItem(dialog, IDC_MEASURE_SCALE);
        const std::wstring typed = Text(scale) + L"25";

        // Two keys, two changes the measurement takes: nothing written.
        TestSupport::ClickCentre(scale);
        TestSupport::PressKey(VK_END);
        TestSupport::TypeText(L"25");
        EXPECT_TRUE(TestSupport::PumpUntil([&] { return Text(scale) == typed; }));
        EXPECT_TRUE(host->writes.empty()) << host->writes.size() << " settings written while typing";

        // Leaving the box writes every setting once, the number typed among them.
        TestSupport::ClickCentre(GetDlgItem(dialog, IDC_MEASURE_UNIT));
        EXPECT_TRUE(TestSupport::PumpUntil([&] { return !host->writes.empty(); }));
        EXPECT_EQ(std::stod(host->values[L"Scale"]), std::stod(typed));
        const std::size_t keys = host->writes.size();
        EXPECT_GE(keys, 20u);
        for (const auto& [key, count] : host->writes)
        {
            EXPECT_EQ(count, 1) << std::string(key.begin(), key.end());
        }

        // A choice is one action: written at once, once.
        TestSupport::ChooseComboItem(GetDlgItem(dialog, IDC_MEASURE_CHANNEL), 1);
        EXPECT_TRUE(TestSupport::PumpUntil([&] { return host->values[L"Channel"] == L"1"; }));
        EXPECT_EQ(host->writes[L"Channel"], 2);

        // A number typed and never left is written when the processor ends.
        TestSupport::ClickCentre(GetDlgItem(dialog, IDC_MEASURE_UNIT));
        TestSupport::PressKey(VK_END);
        TestSupport::TypeText(L"mm");
        EXPECT_TRUE(TestSupport::PumpUntil(
            [&] { return Text(GetDlgItem(dialog, IDC_MEASURE_UNIT)).ends_with(L"mm"); }));
        EXPECT_EQ(host->writes[L"Unit"], 2);
        ASSERT_EQ(processor->Terminate(), S_OK);
    }
    EXPECT_EQ(host->writes[L"Unit"], 3);
    EXPECT_TRUE(host->values[L"Unit"].ends_with(L"mm"));
    EXPECT_EQ(host->writes[L"Scale"], 3) << "Terminate wrote once more, nothing in between";
    processor.Reset();
    factory.Reset();
    FreeLibrary(library);
}
