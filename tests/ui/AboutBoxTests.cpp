// The about box shown modally as from the system menu, and the version
// information it reads from the running module.
#include "Common/Exception.h"
#include "Common/VersionInformation.h"
#include "TavixVersion.h"
#include "resources/resource.h"
#include "support/TimerStep.h"
#include "ui/AboutBox.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

struct AboutSeen
{
    INT_PTR result = 0;
    std::wstring title;
    std::wstring version;
};

// Shows the box modally, reads it once it is up and closes it with Escape.
AboutSeen ShowAbout(std::int32_t captureApiFamily)
{
    AboutSeen seen;
    const TestSupport::TimerStep look(
        [&seen]
        {
            HWND box = nullptr;
            EnumThreadWindows(
                GetCurrentThreadId(),
                [](HWND window, LPARAM found) -> BOOL
                {
                    const bool about = IsWindowVisible(window) && GetDlgItem(window, IDC_VERSION) != nullptr;
                    *reinterpret_cast<HWND*>(found) = about ? window : nullptr;
                    return about ? FALSE : TRUE;
                },
                reinterpret_cast<LPARAM>(&box));
            if (box == nullptr)
            {
                return false;
            }
            wchar_t text[128] = {};
            GetWindowTextW(box, text, 128);
            seen.title = text;
            GetDlgItemTextW(box, IDC_VERSION, text, 128);
            seen.version = text;
            PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
            PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
            return true;
        });
    TavixCapture::AboutBox box(captureApiFamily);
    seen.result = box.DoModal(nullptr);
    return seen;
}

std::wstring Widen(const char* text)
{
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

} // namespace

TEST(AboutBox, ShowsTheProductVersionAndNoDirectShowModeInMediaFoundationModes)
{
    const AboutSeen seen = ShowAbout(0);
    EXPECT_EQ(seen.result, IDCANCEL);
    EXPECT_EQ(seen.title, L"バージョン情報");
    EXPECT_EQ(seen.version, Widen(TAVIX_VERSION_TEXT));

    // (The end-to-end run opens it in DirectShow mode.)
    EXPECT_EQ(ShowAbout(2).title, L"バージョン情報");
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
