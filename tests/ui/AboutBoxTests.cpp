// The about box shown modally as from the system menu, and the version
// information it reads from the running module.
#include "UiFixture.h"

#include "Common/VersionInformation.h"
#include "TavixVersion.h"
#include "resources/resource.h"
#include "ui/AboutBox.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

struct AboutSeen
{
    static inline std::wstring title;
    static inline std::wstring version;
    static inline bool closed = false;
    // Reads the open box and presses Escape.
    static void CALLBACK Look(HWND, UINT, UINT_PTR timer, DWORD)
    {
        HWND box = nullptr;
        for (const wchar_t* title : {L"バージョン情報", L"バージョン情報 (DirectShow モード)"})
        {
            if (box == nullptr)
            {
                box = FindWindowW(L"#32770", title);
            }
        }
        if (box == nullptr || !IsWindowVisible(box))
        {
            return;
        }
        KillTimer(nullptr, timer);
        wchar_t text[128] = {};
        GetWindowTextW(box, text, 128);
        title = text;
        GetDlgItemTextW(box, IDC_VERSION, text, 128);
        version = text;
        PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        closed = true;
    }
};

INT_PTR ShowAbout(std::int32_t captureApiFamily)
{
    AboutSeen::title.clear();
    AboutSeen::version.clear();
    AboutSeen::closed = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &AboutSeen::Look);
    TavixCapture::AboutBox box(captureApiFamily);
    const INT_PTR result = box.DoModal(nullptr);
    KillTimer(nullptr, timer);
    return result;
}

std::wstring Widen(const char* text)
{
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

} // namespace

TEST(AboutBox, ShowsTheProductVersionAndTheDirectShowModeInItsTitle)
{
    EXPECT_EQ(ShowAbout(0), IDCANCEL);
    EXPECT_TRUE(AboutSeen::closed);
    EXPECT_EQ(AboutSeen::title, L"バージョン情報");
    EXPECT_EQ(AboutSeen::version, Widen(TAVIX_VERSION_TEXT));

    ShowAbout(1);
    EXPECT_EQ(AboutSeen::title, L"バージョン情報 (DirectShow モード)");
    EXPECT_EQ(AboutSeen::version, Widen(TAVIX_VERSION_TEXT));

    ShowAbout(2);
    EXPECT_EQ(AboutSeen::title, L"バージョン情報");
}

TEST(VersionInformation, ReadsTheJapaneseTranslationOfTheProgramsBlock)
{
    const Common::VersionInformation version(nullptr);
    ASSERT_EQ(version.GetEntries().size(), 1u);
    const auto& entry = version.GetEntries().front();
    EXPECT_EQ(entry.translation.language, 0x0411);
    EXPECT_EQ(entry.translation.codePage, 0x04b0);
    EXPECT_EQ(entry.productName, L"Tavix Capture");
    EXPECT_EQ(entry.companyName, L"Tavix Capture");
    EXPECT_EQ(entry.productVersion, Widen(TAVIX_VERSION_TEXT));
}

TEST(VersionInformation, AModuleWithoutVersionBlockIsAnError)
{
    // The virtual camera carries no version resource.
    const HMODULE camera = LoadLibraryW(L"VirtualCamera.dll");
    ASSERT_NE(camera, nullptr);
    try
    {
        const Common::VersionInformation version(camera);
        ADD_FAILURE() << "no exception";
    }
    catch (const Common::Exception& error)
    {
        EXPECT_TRUE(FAILED(error.ErrorCode));
        EXPECT_EQ(error.File, L"VersionInformation");
    }
    FreeLibrary(camera);
}
