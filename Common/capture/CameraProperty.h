// Common::CameraProperty: one setting of a camera as the program shows it:
// whether the camera has it, its range, step and default, its present value
// and whether it is under the camera's automatic control. The identifiers
// cover the video processing amplifier and the camera control set, in that
// order; Exposure is log2 of the exposure time in seconds (-5 is 1/32 s).
// Plain values, any thread.
#pragma once

#include <cstdint>

namespace Common
{

enum class CameraPropertyId
{
    // Video processing amplifier.
    Brightness,
    Contrast,
    Hue,
    Saturation,
    Sharpness,
    Gamma,
    ColorEnable,
    WhiteBalance,
    BacklightCompensation,
    Gain,
    PowerLineFrequency,
    // Camera control.
    Pan,
    Tilt,
    Roll,
    Zoom,
    Exposure,
    Iris,
    Focus,
};

struct CameraProperty
{
    static constexpr int Count = static_cast<int>(CameraPropertyId::Focus) + 1;

    CameraPropertyId id = CameraPropertyId::Brightness;
    bool supported = false;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::int32_t step = 0;
    std::int32_t defaultValue = 0;
    std::int32_t value = 0;
    bool automaticOffered = false; // the camera can control it itself
    bool automatic = false;        // ... and does so now

    // True for the camera control set (pan to focus), false for the amplifier.
    static bool IsCameraControl(CameraPropertyId id) { return id >= CameraPropertyId::Pan; }
    // A stable English name, fit for configuration keys ("Exposure").
    static const wchar_t* GetKeyName(CameraPropertyId id);
    // The exposure time in seconds of an Exposure value (2 to the value).
    static double ExposureSeconds(std::int32_t exposure);
    // `value` moved into [minimum, maximum] and onto the nearest step from minimum.
    std::int32_t Clamp(std::int32_t value) const;
};

} // namespace Common
