// Common::CameraControls: the camera settings of one device, read and changed
// through the two interfaces a Windows camera offers for them on both capture
// backends: IAMVideoProcAmp (brightness to gain, power-line frequency) and
// IAMCameraControl (pan to focus). DirectShow devices offer them on their
// source filter, Media Foundation devices on their media source. Changes take
// effect at once, also while the device streams.
//
// Threads: the UI thread; the camera's interfaces are safe to call while its
// streaming thread runs.
#pragma once

#include "Common/ComPointer.h"
#include "Common/capture/CameraProperty.h"

#include <strmif.h>

#include <string>
#include <vector>

namespace Common
{

class CameraControls
{
public:
    // `source` may be null or offer neither interface: then nothing is
    // supported. Keeps its own references.
    explicit CameraControls(IUnknown* source);

    // True when the camera offers at least one property.
    bool HasAny() const;
    // Every property in CameraPropertyId order, the unsupported ones too.
    std::vector<CameraProperty> GetProperties() const;
    // One property; one the camera refuses to describe is unsupported.
    CameraProperty GetProperty(CameraPropertyId id) const;
    // Sets the value (moved into the camera's range and onto its step) under
    // manual control, or hands the property to the camera's automatic
    // control where the camera offers it (manual otherwise). Raises Exception for a
    // property the camera does not support or a refused change.
    void SetProperty(CameraPropertyId id, std::int32_t value, bool automatic);
    // Every supported property back to its default value, under manual
    // control: measurements want values that do not move by themselves.
    void ResetToDefaults();

    // True when the camera offers property pages of its own (its driver's
    // dialog, through ISpecifyPropertyPages).
    bool HasPropertyPages() const;
    // Shows them in a modal frame over `owner` titled `caption`; returns
    // when the user closes it. Raises Exception when they cannot be shown.
    void ShowPropertyPages(HWND owner, const std::wstring& caption) const;

private:
    ComPointer<IUnknown> source_;
    ComPointer<IAMVideoProcAmp> procAmp_;
    ComPointer<IAMCameraControl> cameraControl_;
};

} // namespace Common
