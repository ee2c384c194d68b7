// Exports never leave a half-written file under the final name: the writer
// of the measurement plug-in on the real file system.
#include "AtomicTextFile.h"

#include "Common/Exception.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace
{

std::string Contents(const std::wstring& path)
{
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

TEST(WriteFileAtomically, WritesAndReplacesLeavingNothingElse)
{
    TestSupport::TempFolder folder;
    const std::wstring path = folder.File(L"profile.csv");
    TavixMeasure::WriteFileAtomically(path, "a,b\r\n1,2\r\n");
    EXPECT_EQ(Contents(path), "a,b\r\n1,2\r\n");
    TavixMeasure::WriteFileAtomically(path, "x\r\n");
    EXPECT_EQ(Contents(path), "x\r\n");
    EXPECT_EQ(folder.Names(), std::vector<std::wstring>{L"profile.csv"});
}

TEST(WriteFileAtomically, FolderThatCannotBeWrittenGivesAnErrorAndNoFile)
{
    TestSupport::TempFolder folder;
    const std::wstring path = folder.File(L"missing\\chart.csv");
    EXPECT_THROW(TavixMeasure::WriteFileAtomically(path, "x"), Common::Exception);
    EXPECT_TRUE(folder.Names().empty());

    // A read-only file under the final name keeps its contents.
    const std::wstring locked = folder.File(L"region.csv");
    TavixMeasure::WriteFileAtomically(locked, "old");
    ASSERT_TRUE(SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    try
    {
        TavixMeasure::WriteFileAtomically(locked, "new");
        ADD_FAILURE() << "a read-only file was replaced";
    }
    catch (const Common::Exception& error)
    {
        EXPECT_TRUE(FAILED(error.ErrorCode));
    }
    EXPECT_EQ(Contents(locked), "old");
    EXPECT_EQ(folder.Names(), std::vector<std::wstring>{L"region.csv"});
    ASSERT_TRUE(SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_NORMAL));
}
