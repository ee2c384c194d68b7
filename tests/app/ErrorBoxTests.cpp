// The text rule of every error box.
#include "app/ErrorBox.h"

#include "Common/Exception.h"

#include <gtest/gtest.h>

#include <stdexcept>

using TavixCapture::ErrorBox;

TEST(ErrorBoxText, ExceptionMessageWithLocationOnlyInDebugModeAndAnythingElseAnUnknownError)
{
    const auto error = std::make_exception_ptr(Common::Exception(L"X", L"MainModel", 42));
    EXPECT_EQ(ErrorBox::ComposeText(error, false), L"X");
    EXPECT_EQ(ErrorBox::ComposeText(error, true), L"XMainModel(42)");
    EXPECT_EQ(ErrorBox::ComposeText(std::make_exception_ptr(std::runtime_error("boom")), true),
              L"未知のエラーが発生しました。");
    EXPECT_EQ(ErrorBox::ComposeText(std::make_exception_ptr(42), false), L"未知のエラーが発生しました。");
}
