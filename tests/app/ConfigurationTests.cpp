// The configuration file: how values are read and written, that a save is
// one change of the file, the start-up options of section "Application", and
// which capture backend they choose.
#include "app/CaptureBackendFactory.h"
#include "app/IniProfile.h"
#include "ModelFixture.h"
#include "app/StartupOptions.h"

#include "Common/Exception.h"
#include "Common/TextHelpers.h"
#include "Common/capture/directshow/DirectShowVideoCapture.h"
#include "Common/capture/mediafoundation/MediaFoundationInitializer.h"
#include "Common/capture/mediafoundation/MediaFoundationVideoCapture.h"

#include <gtest/gtest.h>

#include <windows.h>

using TavixCapture::IniProfile;
using TavixCapture::StartupOptions;

// The profile of the fixture's folder, which holds nothing else.
class IniProfileTest : public ModelTest
{
protected:
    const std::wstring path = profile.GetPath();
    const std::vector<std::wstring> justTheIni = {L"TavixCapture.ini"};
};

TEST_F(IniProfileTest, IntegersAreSignedDecimalWithDefaultsForMissingOrJunk)
{
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

TEST_F(IniProfileTest, KeepsTextOutsideTheAnsiCodePageAndStartsAnEmptyFileInUnicode)
{
    TestSupport::WriteFileBytes(path, ""); // an existing empty file
    const std::wstring name = L"なし・二値化 Ω";
    ASSERT_TRUE(IniProfile(path).WriteString(L"Settings", L"ProcessorName", name));
    EXPECT_EQ(IniProfile(path).ReadString(L"Settings", L"ProcessorName", L""), name);
    EXPECT_EQ(TestSupport::ReadFileBytes(path).substr(0, 2), "\xFF\xFE");
}

TEST_F(IniProfileTest, AFailedWriteLeavesTheWholeEarlierFile)
{
    ASSERT_TRUE(profile.WriteString(L"S", L"A", L"一"));
    ASSERT_TRUE(profile.WriteString(L"S", L"B", L"二"));
    const std::string before = TestSupport::ReadFileBytes(path);

    const FailingProfile failing(path, L"B");
    {
        IniProfile::Transaction transaction(failing);
        EXPECT_TRUE(failing.WriteString(L"S", L"A", L"changed"));
        EXPECT_FALSE(failing.WriteString(L"S", L"B", L"changed"));
        EXPECT_FALSE(failing.WriteString(L"S", L"C", L"added")) << "the transaction has failed already";
        EXPECT_FALSE(transaction.Commit());
    }
    EXPECT_EQ(TestSupport::ReadFileBytes(path), before);
    EXPECT_EQ(folder.Names(), justTheIni) << "the copy is removed";

    // A single write that fails changes nothing either.
    EXPECT_FALSE(failing.WriteString(L"S", L"B", L"changed"));
    EXPECT_EQ(TestSupport::ReadFileBytes(path), before);
}

TEST_F(IniProfileTest, ATransactionIsOneChangeOfTheFile)
{
    ASSERT_TRUE(profile.WriteInt(L"S", L"A", 1));
    const IniProfile other(path);
    {
        IniProfile::Transaction transaction(profile);
        ASSERT_TRUE(profile.WriteInt(L"S", L"A", 2));
        ASSERT_TRUE(profile.WriteString(L"T", L"B", L"三"));
        EXPECT_EQ(profile.ReadInt(L"S", L"A", 0), 2) << "the transaction reads its own writes";
        EXPECT_EQ(other.ReadInt(L"S", L"A", 0), 1) << "the file is unchanged until the commit";
        EXPECT_EQ(other.ReadString(L"T", L"B", L"none"), L"none");
        EXPECT_TRUE(transaction.Commit());
    }
    EXPECT_EQ(other.ReadInt(L"S", L"A", 0), 2);
    EXPECT_EQ(other.ReadString(L"T", L"B", L""), L"三");
    EXPECT_EQ(folder.Names(), justTheIni);

    // Without a commit the writes are dropped.
    {
        IniProfile::Transaction dropped(profile);
        ASSERT_TRUE(profile.WriteInt(L"S", L"A", 3));
    }
    EXPECT_EQ(other.ReadInt(L"S", L"A", 0), 2);
    EXPECT_EQ(folder.Names(), justTheIni);
}

TEST_F(IniProfileTest, AReadOnlyFileIsNotChanged)
{
    ASSERT_TRUE(profile.WriteInt(L"S", L"A", 1));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(profile.WriteInt(L"S", L"A", 2));
    EXPECT_EQ(profile.ReadInt(L"S", L"A", 0), 1);
    EXPECT_EQ(folder.Names(), justTheIni);
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
}

TEST_F(IniProfileTest, APathTooLongForTheProfileFunctionsIsRefusedAndLeavesNothing)
{
    // A folder whose path is MAX_PATH - 20 characters long.
    const std::wstring base =
        folder.Path() + std::wstring(MAX_PATH - 21 - folder.Path().size(), L'd') + L"\\";
    ASSERT_TRUE(CreateDirectoryW(base.c_str(), nullptr)) << GetLastError();
    const std::wstring longest = base + std::wstring(MAX_PATH - 1 - base.size() - 4, L'n') + L".ini";
    ASSERT_EQ(longest.size(), MAX_PATH - 1u);
    const IniProfile fits(longest);
    ASSERT_TRUE(fits.WriteString(L"S", L"K", L"値"));
    EXPECT_EQ(IniProfile(longest).ReadString(L"S", L"K", L""), L"値");

    const std::wstring tooLong = base + L"n" + Common::GetFileNamePart(longest);
    try
    {
        const IniProfile refused(tooLong);
        ADD_FAILURE() << "a path of " << tooLong.size() << " characters was taken";
    }
    catch (const Common::Exception& error)
    {
        const std::wstring start = L"INIファイルを設定できませんでした。\nパスが長すぎます（260 文字）: ";
        EXPECT_EQ(error.Message, start + tooLong);
    }
    EXPECT_EQ(GetFileAttributesW(tooLong.c_str()), INVALID_FILE_ATTRIBUTES);
}

// (The program suite checks the defaults a first start writes.)
TEST_F(IniProfileTest, StartupOptionsTakeNonZeroAsTrueWriteItBackAsOneAndKeepTheFamilyAsRead)
{
    ASSERT_TRUE(profile.WriteString(L"Application", L"SkipErrorDevice", L"0"));
    ASSERT_TRUE(profile.WriteString(L"Application", L"AllowDuplicateFrameFormat", L"5"));
    ASSERT_TRUE(profile.WriteString(L"Application", L"IsDebugMessageEnabled", L"-1"));
    ASSERT_TRUE(profile.WriteInt(L"Application", L"CaptureApiFamily", -2147483647 - 1));
    StartupOptions options;
    options.Load(profile);
    EXPECT_FALSE(options.SkipErrorDevice);
    EXPECT_TRUE(options.AllowDuplicateFrameFormat);
    EXPECT_TRUE(options.IsDebugMessageEnabled);
    EXPECT_EQ(options.CaptureApiFamily, -2147483647 - 1);
    EXPECT_TRUE(options.Save(profile));
    EXPECT_EQ(profile.ReadString(L"Application", L"AllowDuplicateFrameFormat", L""), L"1");
    EXPECT_EQ(profile.ReadString(L"Application", L"IsDebugMessageEnabled", L""), L"1");
    EXPECT_EQ(profile.ReadString(L"Application", L"SkipErrorDevice", L""), L"0");
    EXPECT_EQ(profile.ReadInt(L"Application", L"CaptureApiFamily", 12345), -2147483647 - 1);
}

TEST(CaptureBackendFactory, OnlyFamilyOneChoosesDirectShow)
{
    const Common::MediaFoundationInitializer mediaFoundation;
    for (const std::int32_t family : {0, 2, -1, -2147483647 - 1})
    {
        const auto capture = TavixCapture::CreateCaptureBackend(family, true, false);
        EXPECT_NE(dynamic_cast<Common::MediaFoundationVideoCapture*>(capture.get()), nullptr) << family;
    }
    const auto capture = TavixCapture::CreateCaptureBackend(1, true, false);
    EXPECT_NE(dynamic_cast<Common::DirectShowVideoCapture*>(capture.get()), nullptr);
}
