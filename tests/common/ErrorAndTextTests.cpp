// Exception texts, the checking functions and the path/number helpers that
// every error text and the configuration path are built from.
#include "Common/ComPointer.h"
#include "Common/Exception.h"
#include "Common/TextHelpers.h"

#include <gtest/gtest.h>

#include <vfwmsgs.h>
#include <wincodec.h>

using Common::Exception;

TEST(Exception, TextsNameTheUnitByItsFileNameAndUseTheSystemTextWhereThereIsOne)
{
    const Exception error(L"キャプチャーデバイスがありません。", L"MainModel", 42);
    EXPECT_EQ(error.ErrorCode, static_cast<HRESULT>(0x8000FFFF));
    EXPECT_EQ(error.GetLocatedMessage(), L"キャプチャーデバイスがありません。MainModel(42)");
    EXPECT_EQ(Exception(L"X", L"C:\\src\\app\\MainModel", 7).GetLocatedMessage(), L"XMainModel(7)");
    EXPECT_EQ(Exception(L"X", L"a/b:Unit", -3).GetLocatedMessage(), L"XUnit(-3)");

    const Exception denied(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), L"Unit", 1);
    ASSERT_FALSE(denied.Message.empty());
    EXPECT_EQ(denied.Message.find(L"(COM)"), std::wstring::npos);
    // DirectShow's own codes have no system text; DirectShow has one.
    const std::wstring cannotConnect = Exception(VFW_E_CANNOT_CONNECT, L"Unit", 1).Message;
    EXPECT_FALSE(cannotConnect.empty());
    EXPECT_EQ(cannotConnect.find(L"(COM)"), std::wstring::npos) << cannotConnect;
    // Without a system text: eight lower-case digits.
    EXPECT_EQ(Exception(static_cast<HRESULT>(0x1234ABCD), L"Unit", 1).Message, L"(COM) 0x1234abcd");
    EXPECT_EQ(Exception::GetSystemMessage(static_cast<HRESULT>(0xA0DEF00D)), L"(COM) 0xa0def00d");
}

TEST(Exception, CheckingFunctionsRecordTheCallingUnitAndLine)
{
    EXPECT_NO_THROW(Common::ThrowIfFailed(S_OK));
    EXPECT_NO_THROW(Common::ThrowIfFailed(S_FALSE));
    EXPECT_NO_THROW(Common::ThrowIfFalse(TRUE));
    const int line = __LINE__ + 3;
    try
    {
        Common::ThrowIfFailed(E_POINTER);
        FAIL() << "no exception";
    }
    catch (const Exception& error)
    {
        EXPECT_EQ(error.ErrorCode, E_POINTER);
        EXPECT_EQ(error.File, L"ErrorAndTextTests");
        EXPECT_EQ(error.Line, line);
    }
    try
    {
        Common::ThrowIfFalse(FALSE, L"Unit", 9);
        FAIL() << "no exception";
    }
    catch (const Exception& error)
    {
        EXPECT_EQ(error.ErrorCode, E_UNEXPECTED);
        EXPECT_EQ(error.GetLocatedMessage(), error.Message + L"Unit(9)");
    }
}

TEST(ComPointer, RefusesToHandOutTheAddressOfAFilledPointer)
{
    Common::ComPointer<IWICImagingFactory> factory;
    factory.CreateInstance(CLSID_WICImagingFactory, CLSCTX_INPROC_SERVER);
    ASSERT_TRUE(factory);
    try
    {
        factory.CreateInstance(CLSID_WICImagingFactory, CLSCTX_INPROC_SERVER);
        FAIL() << "a filled pointer was overwritten";
    }
    catch (const Exception& error)
    {
        EXPECT_EQ(error.ErrorCode, E_UNEXPECTED);
        EXPECT_EQ(error.File, L"ComPointer");
    }
    factory.Reset();
    EXPECT_NO_THROW(static_cast<void>(factory.Put()));
}

TEST(TextHelpers, PathParts)
{
    EXPECT_EQ(Common::GetDirectoryPart(L"C:\\Tools\\Capture.exe"), L"C:\\Tools\\");
    EXPECT_EQ(Common::GetDirectoryPart(L"C:cap"), L"C:");
    EXPECT_EQ(Common::GetDirectoryPart(L"a/b\\c"), L"a/b\\");
    EXPECT_EQ(Common::GetDirectoryPart(L"plain"), L"");
    EXPECT_EQ(Common::GetFileNamePart(L"C:\\Tools\\Capture.exe"), L"Capture.exe");
    EXPECT_EQ(Common::GetFileNamePart(L"plain"), L"plain");
    EXPECT_EQ(Common::GetFileNamePart(L"C:\\Tools\\"), L"");
}

TEST(TextHelpers, ChangeExtensionLooksAtTheFileNameOnly)
{
    EXPECT_EQ(Common::ChangeExtension(L"C:\\Tools\\Capture.exe", L".ini"), L"C:\\Tools\\Capture.ini");
    EXPECT_EQ(Common::ChangeExtension(L"C:\\a\\cap", L".ini"), L"C:\\a\\cap.ini");
    EXPECT_EQ(Common::ChangeExtension(L"C:\\a\\my.tool.exe", L".ini"), L"C:\\a\\my.tool.ini");
    // A dot in a folder name is not an extension.
    EXPECT_EQ(Common::ChangeExtension(L"C:\\v1.2\\cap", L".ini"), L"C:\\v1.2\\cap.ini");
    EXPECT_EQ(Common::ChangeExtension(L"C:\\a\\.hidden", L".ini"), L"C:\\a\\.ini");
}
