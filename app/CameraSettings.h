// TavixCapture::CameraSettings: the settings of each camera (exposure, gain,
// white balance, ...) kept between runs, in a section of the configuration
// of their own per camera, named after the device path ("Camera " and the
// path): the value of each property under its key name ("Exposure") and
// whether the camera controls it itself ("IsExposureAutomatic").
//
// What was saved for a camera is applied when it becomes the current camera
// and when it is opened. A saved value outside the range the camera has now
// is moved into it quietly; a property the camera no longer has, or whose
// value it refuses, keeps what the camera holds.
// UI thread.
#pragma once

#include "Common/capture/CameraProperty.h"
#include "app/IniProfile.h"

#include <string>
#include <vector>

namespace Common
{
class Device;
}

namespace TavixCapture
{

class CameraSettings
{
public:
    explicit CameraSettings(const IniProfile& profile) : profile_(profile) {}

    // The section that holds the settings of the camera at `devicePath`.
    static std::wstring SectionName(const std::wstring& devicePath);
    // The key of the automatic flag of a property ("IsExposureAutomatic").
    static std::wstring AutomaticKeyName(Common::CameraPropertyId id);

    // Applies the saved settings of `device` to it. Never raises: a camera
    // that refuses a setting keeps its own, and capture goes on.
    void Restore(Common::Device& device) const noexcept;
    // Writes the supported properties of the camera at `devicePath` as one
    // change of the file; false when it could not be written (the file then
    // keeps its earlier content).
    bool Save(const std::wstring& devicePath, const std::vector<Common::CameraProperty>& properties) const;

private:
    const IniProfile& profile_;
};

} // namespace TavixCapture
