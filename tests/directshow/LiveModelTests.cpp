// The model built on the DirectShow backend the program uses, over the
// virtual camera, destroyed while frames keep coming. (Capturing through the
// whole program, and the camera remembered by its path, is the end-to-end
// test's part.)
#include "VirtualCameraRegistration.h"

#include "app/CaptureBackendFactory.h"
#include "app/MainModel.h"
#include "support/TempFolder.h"
#include "tools/VirtualCamera/VirtualCameraIds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace
{
// Waits until a frame from the camera has reached the profiles.
bool WaitForLiveProfiles(const TavixCapture::MainModel& model)
{
    std::vector<std::uint32_t> row, column;
    for (int i = 0; i < 100; ++i)
    {
        model.CopyProfiles(row, column);
        if (std::any_of(row.begin(), row.end(), [](std::uint32_t pixel) { return pixel != 0xFF000000u; }))
        {
            return true;
        }
        Sleep(50);
    }
    return false;
}
// Makes the virtual camera the model's device (a machine may have others).
void SelectVirtualCamera(TavixCapture::MainModel& model)
{
    const auto& devices = model.GetCapture().devices;
    for (std::size_t i = 0; i < devices.size(); ++i)
    {
        if (devices[i]->path == VirtualCamera::DevicePath)
        {
            model.SelectDevice(static_cast<std::int32_t>(i));
        }
    }
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
        SelectVirtualCamera(*model);
        model->StartCapture();
        ASSERT_TRUE(WaitForLiveProfiles(*model)) << "no frame reached the model";
        model.reset(); // frames keep coming while it goes
    }
}
