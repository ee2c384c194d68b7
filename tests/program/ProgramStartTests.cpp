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
#include <vector>

namespace
{

struct BoxSeen
{
    std::wstring title;
    std::wstring text;
    int buttons = 0;
    DWORD exitCode = STILL_ACTIVE;
};

BOOL CALLBACK ReadBoxItem(HWND child, LPARAM parameter)
{
    auto* seen = reinterpret_cast<BoxSeen*>(parameter);
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    wchar_t text[512] = {};
    GetWindowTextW(child, text, 512);
    if (_wcsicmp(className, L"Static") == 0)
    {
        seen->text += text;
    }
    else if (_wcsicmp(className, L"Button") == 0 && IsWindowVisible(child))
    {
        ++seen->buttons;
    }
    return TRUE;
}

// Starts the program copied into `folder` as `name`, reads the box it shows,
// presses OK and waits for the process to end.
BoxSeen RunUntilErrorBox(const std::wstring& folder, const std::wstring& name = L"TavixCapture.exe")
{
    const TestSupport::ProgramProcess program(folder, name);
    BoxSeen seen;
    const HWND box = program.WaitForDialog();
    if (box == nullptr)
    {
        return seen;
    }
    wchar_t title[256] = {};
    GetWindowTextW(box, title, 256);
    seen.title = title;
    EnumChildWindows(box, &ReadBoxItem, reinterpret_cast<LPARAM>(&seen));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    seen.exitCode = program.WaitForExit();
    return seen;
}

// Creates the folders of a path of exactly `length` characters (ending with
// a separator) under `base`; removes them, and the files in the last one,
// when destroyed.
class DeepFolder
{
public:
    DeepFolder(const std::wstring& base, std::size_t length) : path_(base)
    {
        while (path_.size() < length)
        {
            const std::size_t room = length - path_.size();
            path_ += std::wstring((room > 120 ? 100 : room) - 1, L'd') + L"\\";
            EXPECT_TRUE(CreateDirectoryW(path_.c_str(), nullptr)) << GetLastError();
            created_.push_back(path_);
        }
    }
    ~DeepFolder()
    {
        for (const wchar_t* name : {L"TavixCapture.exe", L"TavixCapture.x", L"TavixCapture.ini"})
        {
            DeleteFileW((path_ + name).c_str());
        }
        for (auto folder = created_.rbegin(); folder != created_.rend(); ++folder)
        {
            RemoveDirectoryW(folder->c_str());
        }
    }
    DeepFolder(const DeepFolder&) = delete;
    DeepFolder& operator=(const DeepFolder&) = delete;

    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
    std::vector<std::wstring> created_;
};

} // namespace

TEST(ProgramStart, WithoutACameraWritesTheOptionsAndEndsWithTheErrorBox)
{
    TestSupport::TempFolder folder;
    const BoxSeen box = RunUntilErrorBox(folder.Path());
    EXPECT_EQ(box.title, L"エラー");
    EXPECT_EQ(box.text, L"キャプチャーデバイスがありません。");
    EXPECT_EQ(box.buttons, 1);
    EXPECT_EQ(box.exitCode, 1u) << "a script can tell that the start failed";

    const TavixCapture::IniProfile ini(folder.File(L"TavixCapture.ini"));
    EXPECT_EQ(ini.ReadString(L"Application", L"IsDebugMessageEnabled", L"?"), L"0");
    EXPECT_EQ(ini.ReadString(L"Application", L"CaptureApiFamily", L"?"), L"0");
    EXPECT_EQ(ini.ReadString(L"Application", L"SkipErrorDevice", L"?"), L"1");
    EXPECT_EQ(ini.ReadString(L"Application", L"AllowDuplicateFrameFormat", L"?"), L"0");
    EXPECT_EQ(ini.ReadString(L"Settings", L"ViewRatio", L"none"), L"none") << "no model, no settings";
}

TEST(ProgramStart, DebugMessagesAddTheSourceLocation)
{
    TestSupport::TempFolder folder;
    const TavixCapture::IniProfile ini(folder.File(L"TavixCapture.ini"));
    ASSERT_TRUE(ini.WriteString(L"Application", L"IsDebugMessageEnabled", L"5"));
    const BoxSeen box = RunUntilErrorBox(folder.Path());
    const std::wstring prefix = L"キャプチャーデバイスがありません。MainModel(";
    EXPECT_EQ(box.text.substr(0, prefix.size()), prefix) << testing::PrintToString(box.text);
    EXPECT_EQ(box.text.back(), L')');
    EXPECT_EQ(ini.ReadString(L"Application", L"IsDebugMessageEnabled", L"?"), L"1");
}

TEST(ProgramStart, AnIniPathTooLongForTheProfileFunctionsIsNamedAndLeavesNothing)
{
    TestSupport::TempFolder folder;
    const std::wstring iniName = L"TavixCapture.ini";
    {
        // 259 characters: the longest path the profile functions take.
        const DeepFolder deep(folder.Path(), MAX_PATH - 1 - iniName.size());
        const BoxSeen box = RunUntilErrorBox(deep.Path());
        EXPECT_EQ(box.text, L"キャプチャーデバイスがありません。");
        const std::wstring ini = deep.Path() + iniName;
        ASSERT_EQ(ini.size(), MAX_PATH - 1u);
        EXPECT_EQ(TavixCapture::IniProfile(ini).ReadString(L"Application", L"CaptureApiFamily", L"?"), L"0");
    }
    {
        // An executable of 258 characters whose INI path has 260: Windows
        // and Wine start no executable of 260 characters or more, but a
        // shorter extension than ".ini" makes the INI path the longer one.
        const std::wstring exeName = L"TavixCapture.x";
        const DeepFolder deep(folder.Path(), MAX_PATH - 2 - exeName.size());
        const BoxSeen box = RunUntilErrorBox(deep.Path(), exeName);
        const std::wstring ini = deep.Path() + iniName;
        ASSERT_EQ(ini.size(), MAX_PATH + 0u);
        EXPECT_EQ(box.text, L"INIファイルを設定できませんでした。\nパスが長すぎます（260 文字）: " + ini);
        EXPECT_EQ(box.exitCode, 1u);
        EXPECT_EQ(GetFileAttributesW(ini.c_str()), INVALID_FILE_ATTRIBUTES) << "nothing is left behind";
    }
}
