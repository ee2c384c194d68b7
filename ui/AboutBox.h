// TavixCapture::AboutBox: the modal about box (template 100): the banner,
// the product version read from the program's own version resource, and in
// its title whether the program captures through DirectShow. OK, Enter and
// Escape close it. UI thread.
#pragma once

#include "Common/ui/Dialog.h"

#include <cstdint>

namespace TavixCapture
{

class AboutBox : public Common::Mfc::Dialog
{
public:
    // `captureApiFamily`: the start-up option; 1 is DirectShow.
    explicit AboutBox(std::int32_t captureApiFamily);

protected:
    BOOL OnInitDialog() override;

private:
    std::int32_t captureApiFamily_;
};

} // namespace TavixCapture
