// What the model tests share: models over the two fake cameras and a
// temporary INI file, windows that take their notifications, and a
// configuration store whose writes of one key fail.
#pragma once

#include "support/FailingProfile.h"
#include "support/FakeCameras.h"
#include "support/NotifiedWindow.h"

#include <gtest/gtest.h>

using TavixCapture::PropertyId;

class ModelTest : public testing::Test, protected TestSupport::FakeCameras
{
protected:
    // Registers the window and takes away the notifications of registration.
    static void Listen(TavixCapture::MainModel& model, NotifiedWindow& window)
    {
        model.AddListener(&window);
        window.Drain();
    }
};
