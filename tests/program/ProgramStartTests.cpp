// The program itself, started as a separate process from a folder of its
// own: it writes section "Application" next to the executable and, on a
// machine without a usable camera, ends with the error box and a non-zero
// exit code. Media Foundation lists no camera under Wine.
#include "app/IniProfile.h"
#include "support/ProgramProcess.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace
{

struct BoxSeen
{
    std::wstring title;
    std::wstring text;
    bool okOnly = false;
    DWORD exitCode = STILL_ACTIVE;
};

// Starts the program copied into `folder`, reads the box it shows, presses
// OK and waits for the process to end.
BoxSeen RunUntilErrorBox(const std::wstring& folder)
{
    const TestSupport::ProgramProcess program(folder);
    BoxSeen seen;
    const HWND box = program.WaitForDialog();
    if (box == nullptr)
    {
        return seen;
    }
    wchar_t text[512] = {};
    GetWindowTextW(box, text, 512);
    seen.title = text;
    // A message box's text is its static item 0xFFFF.
    GetDlgItemTextW(box, 0xFFFF, text, 512);
    seen.text = text;
    seen.okOnly = IsWindowVisible(GetDlgItem(box, IDOK)) && !IsWindowVisible(GetDlgItem(box, IDCANCEL)) &&
                  !IsWindowVisible(GetDlgItem(box, IDNO));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    seen.exitCode = program.WaitForExit();
    return seen;
}

// Creates `path` (a file, or a folder when `folder`), last written
// `minutesAgo` minutes ago.
void CreateAged(const std::wstring& path, int minutesAgo, bool folder = false)
{
    if (folder)
    {
        ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    }
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, folder ? OPEN_EXISTING : CREATE_NEW,
                    folder ? FILE_FLAG_BACKUP_SEMANTICS : FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time = {{now.dwLowDateTime, now.dwHighDateTime}};
    time.QuadPart -= static_cast<ULONGLONG>(minutesAgo) * 60 * 10'000'000;
    const FILETIME written = {time.LowPart, time.HighPart};
    const BOOL set = SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    ASSERT_TRUE(set);
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

TEST(ProgramStart, RemovesTheCopiesOfItsIniThatASaveCutShortLeftAndNothingElse)
{
    TestSupport::TempFolder folder;
    CreateAged(folder.File(L"~ini1a2b.tmp"), 5);
    CreateAged(folder.File(L"~iniFF0C.tmp"), 60 * 24);
    CreateAged(folder.File(L"~ini0042.tmp"), 0); // another instance may be saving right now
    CreateAged(folder.File(L"~ini12.tmp"), 5);
    CreateAged(folder.File(L"~inixyzw.tmp"), 5);
    CreateAged(folder.File(L"~ini1a2b.tmp.txt"), 5);
    CreateAged(folder.File(L"notes.tmp"), 5);
    CreateAged(folder.File(L"~ini7777.tmp"), 5, true);
    EXPECT_EQ(RunUntilErrorBox(folder.Path()).exitCode, 1u);

    EXPECT_FALSE(Exists(folder.File(L"~ini1a2b.tmp")));
    EXPECT_FALSE(Exists(folder.File(L"~iniFF0C.tmp")));
    for (const wchar_t* kept : {L"~ini0042.tmp", L"~ini12.tmp", L"~inixyzw.tmp", L"~ini1a2b.tmp.txt",
                                L"notes.tmp", L"~ini7777.tmp", L"TavixCapture.ini"})
    {
        EXPECT_TRUE(Exists(folder.File(kept))) << testing::PrintToString(std::wstring(kept));
    }
}

TEST(ProgramStart, WithoutACameraWritesTheOptionsAndEndsWithTheErrorBoxThatNamesTheSourceInDebugMode)
{
    TestSupport::TempFolder folder;
    const BoxSeen box = RunUntilErrorBox(folder.Path());
    EXPECT_EQ(box.title, L"エラー");
    EXPECT_EQ(box.text, L"キャプチャーデバイスがありません。");
    EXPECT_TRUE(box.okOnly);
    EXPECT_EQ(box.exitCode, 1u) << "a script can tell that the start failed";

    const TavixCapture::IniProfile ini(folder.File(L"TavixCapture.ini"));
    EXPECT_EQ(ini.ReadString(L"Application", L"IsDebugMessageEnabled", L"?"), L"0");
    EXPECT_EQ(ini.ReadString(L"Application", L"CaptureApiFamily", L"?"), L"0");
    EXPECT_EQ(ini.ReadString(L"Application", L"SkipErrorDevice", L"?"), L"1");
    EXPECT_EQ(ini.ReadString(L"Application", L"AllowDuplicateFrameFormat", L"?"), L"0");
    EXPECT_EQ(ini.ReadString(L"Settings", L"ViewRatio", L"none"), L"none") << "no model, no settings";

    // With debug messages on, the text ends with where the error arose.
    ASSERT_TRUE(ini.WriteString(L"Application", L"IsDebugMessageEnabled", L"5"));
    const std::wstring text = RunUntilErrorBox(folder.Path()).text;
    const std::wstring prefix = L"キャプチャーデバイスがありません。MainModel(";
    EXPECT_EQ(text.substr(0, prefix.size()), prefix) << testing::PrintToString(text);
    EXPECT_EQ(text.back(), L')');
}
