// The model built on the DirectShow backend the program uses, over the
// virtual camera, destroyed while frames keep coming. (Capturing through the
// whole program, and the camera remembered by its path, is the end-to-end
// test's part.)
#include "VirtualCameraRegistration.h"
#include "support/TestSink.h"

#include "app/CaptureBackendFactory.h"
#include "app/MainModel.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace
{
// Waits until a frame from the camera has reached the profiles.
bool WaitForLiveProfiles(const TavixCapture::MainModel& model)
{
    std::vector<std::uint32_t> row, column;
    return TestSupport::WaitUntil(
        [&]
        {
            model.CopyProfiles(row, column);
            return std::any_of(row.begin(), row.end(),
                               [](std::uint32_t pixel) { return pixel != 0xFF000000u; });
        });
}
} // namespace

TEST(LiveModel, DestroyedWhileStreamingNoFrameReachesIt)
{
    VirtualCameraRegistration registration;
    TestSupport::TempFolder folder;
    const TavixCapture::IniProfile profile(folder.File(L"TavixCapture.ini"));
    for (int round = 0; round < 3; ++round)
    {
        auto model = std::make_unique<TavixCapture::MainModel>(profile, TavixCapture::CreateCaptureBackend, 1,
                                                               true, false, folder.Path());
        // The virtual camera, wherever the machine's other cameras put it.
        model->SelectDevice(static_cast<std::int32_t>(FindVirtualCamera(model->GetCapture())));
        model->StartCapture();
        ASSERT_TRUE(WaitForLiveProfiles(*model)) << "no frame reached the model";
        model.reset(); // frames keep coming while it goes
    }
}
