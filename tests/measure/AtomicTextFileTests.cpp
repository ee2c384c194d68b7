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
    try
    {
        TavixMeasure::WriteFileAtomically(path, "x");
        ADD_FAILURE() << "wrote into a folder that does not exist";
    }
    catch (const Common::Exception& error)
    {
        EXPECT_EQ(error.ErrorCode, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    }
    EXPECT_TRUE(folder.Names().empty());
}
