// The text of an error box for anything but the program's own exceptions
// (the program and save-dialog suites read the box of its own, with and
// without the source location).
#include "app/ErrorBox.h"

#include <gtest/gtest.h>

#include <stdexcept>

using TavixCapture::ErrorBox;

TEST(ErrorBoxText, AnythingButTheProgramsOwnExceptionIsAnUnknownError)
{
    EXPECT_EQ(ErrorBox::ComposeText(std::make_exception_ptr(std::runtime_error("boom")), true),
              L"未知のエラーが発生しました。");
    EXPECT_EQ(ErrorBox::ComposeText(std::make_exception_ptr(42), false), L"未知のエラーが発生しました。");
}
