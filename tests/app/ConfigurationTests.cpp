// The configuration file: where it lives, how values are read and written,
// and the start-up options of section "Application".
#include "app/IniProfile.h"
#include "app/StartupOptions.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

using TavixCapture::IniProfile;
using TavixCapture::StartupOptions;
using TestSupport::TempFolder;

TEST(IniLocation, NamedAfterTheExecutableInItsFolder)
{
    EXPECT_EQ(IniProfile::PathForExecutable(L"C:\\Tools\\Capture.exe"), L"C:\\Tools\\Capture.ini");
    EXPECT_EQ(IniProfile::PathForExecutable(L"C:\\a\\cap"), L"C:\\a\\cap.ini");
    EXPECT_EQ(IniProfile::PathForExecutable(L"C:\\a\\my.tool.exe"), L"C:\\a\\my.tool.ini");
    EXPECT_EQ(IniProfile::PathForExecutable(L"C:\\x.y\\TavixCapture.exe"), L"C:\\x.y\\TavixCapture.ini");
}

TEST(IniLocation, KeepsLongPathsWhole)
{
    // A 260-character executable path, and a longer one: the folder part
    // must survive intact.
    std::wstring folder = L"C:\\";
    while (folder.size() < 230)
    {
        folder += L"abcdefghij\\";
    }
    std::wstring executable = folder + L"TavixCapture.exe";
    executable.insert(folder.size(), 260 - executable.size(), L'x');
    ASSERT_EQ(executable.size(), 260u);
    const std::wstring ini = IniProfile::PathForExecutable(executable);
    EXPECT_EQ(ini.substr(0, folder.size()), folder);
    EXPECT_EQ(ini.substr(ini.size() - 17), L"xTavixCapture.ini");
    EXPECT_EQ(ini.size(), 260u);

    const std::wstring longer = folder + std::wstring(100, L'y') + L"\\cap.exe";
    EXPECT_EQ(IniProfile::PathForExecutable(longer), folder + std::wstring(100, L'y') + L"\\cap.ini");
}

TEST(IniProfile, IntegersAreSignedDecimalWithDefaultsForMissingOrJunk)
{
    TempFolder folder;
    const IniProfile profile(folder.File(L"t.ini"));
    EXPECT_EQ(profile.ReadInt(L"S", L"Missing", -7), -7);
    ASSERT_TRUE(profile.WriteInt(L"S", L"Negative", -3));
    ASSERT_TRUE(profile.WriteInt(L"S", L"Min", -2147483647 - 1));
    ASSERT_TRUE(profile.WriteString(L"S", L"Junk", L"abc"));
    ASSERT_TRUE(profile.WriteString(L"S", L"Huge", L"99999999999"));
    ASSERT_TRUE(profile.WriteString(L"S", L"Spaced", L"  12x"));
    EXPECT_EQ(profile.ReadInt(L"S", L"Negative", 0), -3);
    EXPECT_EQ(profile.ReadInt(L"S", L"Min", 0), -2147483647 - 1);
    EXPECT_EQ(profile.ReadInt(L"S", L"Junk", 5), 5);
    EXPECT_EQ(profile.ReadInt(L"S", L"Huge", 0), 2147483647);
    EXPECT_EQ(profile.ReadInt(L"S", L"Spaced", 0), 12);
    EXPECT_EQ(profile.ReadString(L"S", L"Negative", L""), L"-3");
}

TEST(IniProfile, KeepsTextOutsideTheAnsiCodePage)
{
    TempFolder folder;
    const IniProfile profile(folder.File(L"t.ini"));
    const std::wstring name = L"なし・二値化 Ω";
    ASSERT_TRUE(profile.WriteString(L"Settings", L"ProcessorName", name));
    EXPECT_EQ(profile.ReadString(L"Settings", L"ProcessorName", L""), name);
    EXPECT_EQ(IniProfile(folder.File(L"t.ini")).ReadString(L"Settings", L"ProcessorName", L""), name);
}

TEST(IniProfile, WriteIntoAMissingFolderFails)
{
    TempFolder folder;
    const IniProfile profile(folder.File(L"no\\such\\folder\\t.ini"));
    EXPECT_FALSE(profile.WriteInt(L"S", L"K", 1));
    EXPECT_EQ(profile.ReadInt(L"S", L"K", 4), 4);
}

TEST(StartupOptions, FirstRunWritesTheDefaults)
{
    TempFolder folder;
    const IniProfile profile(folder.File(L"TavixCapture.ini"));
    StartupOptions options;
    options.Load(profile);
    options.Save(profile);
    EXPECT_FALSE(options.IsDebugMessageEnabled);
    EXPECT_EQ(options.CaptureApiFamily, 0);
    EXPECT_TRUE(options.SkipErrorDevice);
    EXPECT_FALSE(options.AllowDuplicateFrameFormat);
    const std::wstring text = TestSupport::ReadTextFile(profile.GetPath());
    EXPECT_NE(text.find(L"[Application]"), std::wstring::npos);
    EXPECT_NE(text.find(L"IsDebugMessageEnabled=0"), std::wstring::npos);
    EXPECT_NE(text.find(L"CaptureApiFamily=0"), std::wstring::npos);
    EXPECT_NE(text.find(L"SkipErrorDevice=1"), std::wstring::npos);
    EXPECT_NE(text.find(L"AllowDuplicateFrameFormat=0"), std::wstring::npos);
}

TEST(StartupOptions, NonZeroIsTrueAndIsWrittenBackAsOne)
{
    TempFolder folder;
    const IniProfile profile(folder.File(L"TavixCapture.ini"));
    ASSERT_TRUE(profile.WriteString(L"Application", L"SkipErrorDevice", L"0"));
    ASSERT_TRUE(profile.WriteString(L"Application", L"AllowDuplicateFrameFormat", L"5"));
    ASSERT_TRUE(profile.WriteString(L"Application", L"IsDebugMessageEnabled", L"-1"));
    StartupOptions options;
    options.Load(profile);
    EXPECT_FALSE(options.SkipErrorDevice);
    EXPECT_TRUE(options.AllowDuplicateFrameFormat);
    EXPECT_TRUE(options.IsDebugMessageEnabled);
    options.Save(profile);
    EXPECT_EQ(profile.ReadString(L"Application", L"AllowDuplicateFrameFormat", L""), L"1");
    EXPECT_EQ(profile.ReadString(L"Application", L"IsDebugMessageEnabled", L""), L"1");
    EXPECT_EQ(profile.ReadString(L"Application", L"SkipErrorDevice", L""), L"0");
}

TEST(StartupOptions, CaptureApiFamilyIsKeptAsRead)
{
    for (const int family : {1, 2, -1, 7, -2147483647 - 1})
    {
        TempFolder folder;
        const IniProfile profile(folder.File(L"TavixCapture.ini"));
        ASSERT_TRUE(profile.WriteInt(L"Application", L"CaptureApiFamily", family));
        StartupOptions options;
        options.Load(profile);
        EXPECT_EQ(options.CaptureApiFamily, family);
        options.Save(profile);
        EXPECT_EQ(profile.ReadInt(L"Application", L"CaptureApiFamily", 12345), family);
    }
}

TEST(StartupOptions, AnUnwritableFileDoesNotStopTheStart)
{
    TempFolder folder;
    const IniProfile profile(folder.File(L"missing\\TavixCapture.ini"));
    StartupOptions options;
    options.Load(profile);
    EXPECT_NO_THROW(options.Save(profile));
    EXPECT_TRUE(options.SkipErrorDevice);
}
