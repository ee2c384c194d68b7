// VirtualCameraRegistration: puts the virtual camera (VirtualCamera.dll next
// to the test executable) into DirectShow's video input category for the
// life of the object, so the tests run in a fresh Wine prefix; a camera that
// was registered before is left registered. Test main thread.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

namespace Common
{
class VideoCapture;
}

// The virtual camera's index in the devices of `capture`; their count when it is not listed.
std::size_t FindVirtualCamera(const Common::VideoCapture& capture);

class VirtualCameraRegistration
{
public:
    VirtualCameraRegistration();
    ~VirtualCameraRegistration();
    VirtualCameraRegistration(const VirtualCameraRegistration&) = delete;
    VirtualCameraRegistration& operator=(const VirtualCameraRegistration&) = delete;

    // Takes the camera out of the category, and puts it back.
    HRESULT Unregister();
    HRESULT Register();

    // Pulls the camera's cable (streaming instances report the loss and
    // stop; it leaves the category) and plugs it back.
    HRESULT Unplug();
    HRESULT Replug();

    // Extra instances of the camera class under a key of their own (the
    // friendly name may repeat another's; an empty path writes none).
    HRESULT RegisterInstance(const wchar_t* instance, const wchar_t* friendlyName, const wchar_t* devicePath,
                             const wchar_t* catalogue);
    HRESULT UnregisterInstance(const wchar_t* instance);

private:
    // Calls the library's export `name`; E_NOTIMPL when it has none.
    template <class... Arguments> HRESULT CallExport(const char* name, Arguments... arguments) const;

    HMODULE library_ = nullptr;
    bool wasRegistered_ = false;
};

// One extra instance of the camera for the life of the object.
class ExtraCamera
{
public:
    ExtraCamera(VirtualCameraRegistration& registration, const wchar_t* instance, const wchar_t* friendlyName,
                const wchar_t* devicePath, const wchar_t* catalogue);
    ~ExtraCamera();
    ExtraCamera(const ExtraCamera&) = delete;
    ExtraCamera& operator=(const ExtraCamera&) = delete;

    const HRESULT registered;

private:
    VirtualCameraRegistration& registration_;
    const wchar_t* instance_;
};

// A test suite that has the camera registered for its whole run.
class VirtualCameraSuite : public testing::Test
{
protected:
    static void SetUpTestSuite() { registration = std::make_unique<VirtualCameraRegistration>(); }
    static void TearDownTestSuite() { registration.reset(); }

    static inline std::unique_ptr<VirtualCameraRegistration> registration;
};
