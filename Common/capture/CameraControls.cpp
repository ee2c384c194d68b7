#include "Common/capture/CameraControls.h"

#include "Common/Exception.h"
#include "Common/TaskMemory.h"

#include <ocidl.h>
#include <olectl.h>

namespace Common
{
namespace
{

// The platform's number of a property in its interface. Power-line frequency
// is the video processing amplifier's property 13 in the kernel-streaming
// set, past the ten the interface names.
long PlatformProperty(CameraPropertyId id)
{
    if (id == CameraPropertyId::PowerLineFrequency)
    {
        return 13;
    }
    const int index = static_cast<int>(id);
    return CameraProperty::IsCameraControl(id) ? index - static_cast<int>(CameraPropertyId::Pan) : index;
}

// The automatic flag has the same value in both interfaces, and so does manual.
static_assert(static_cast<long>(VideoProcAmp_Flags_Auto) == static_cast<long>(CameraControl_Flags_Auto));
static_assert(static_cast<long>(VideoProcAmp_Flags_Manual) == static_cast<long>(CameraControl_Flags_Manual));

} // namespace

CameraControls::CameraControls(IUnknown* source)
{
    if (source != nullptr)
    {
        source->AddRef();
        source_.Attach(source);
        // A source without one of them simply has none of its properties.
        source->QueryInterface(IID_IAMVideoProcAmp, procAmp_.PutVoid());
        source->QueryInterface(IID_IAMCameraControl, cameraControl_.PutVoid());
    }
}

bool CameraControls::HasAny() const
{
    for (const CameraProperty& property : GetProperties())
    {
        if (property.supported)
        {
            return true;
        }
    }
    return false;
}

std::vector<CameraProperty> CameraControls::GetProperties() const
{
    std::vector<CameraProperty> properties;
    properties.reserve(CameraProperty::Count);
    for (int i = 0; i < CameraProperty::Count; ++i)
    {
        properties.push_back(GetProperty(static_cast<CameraPropertyId>(i)));
    }
    return properties;
}

CameraProperty CameraControls::GetProperty(CameraPropertyId id) const
{
    CameraProperty property;
    property.id = id;
    const long number = PlatformProperty(id);
    long minimum = 0, maximum = 0, step = 0, defaultValue = 0, caps = 0, value = 0, flags = 0;
    HRESULT range = E_NOINTERFACE;
    HRESULT current = E_NOINTERFACE;
    if (CameraProperty::IsCameraControl(id) && cameraControl_)
    {
        range = cameraControl_->GetRange(number, &minimum, &maximum, &step, &defaultValue, &caps);
        current = SUCCEEDED(range) ? cameraControl_->Get(number, &value, &flags) : range;
    }
    else if (!CameraProperty::IsCameraControl(id) && procAmp_)
    {
        range = procAmp_->GetRange(number, &minimum, &maximum, &step, &defaultValue, &caps);
        current = SUCCEEDED(range) ? procAmp_->Get(number, &value, &flags) : range;
    }
    // A property the camera lists but cannot read is of no use: unsupported.
    if (FAILED(range) || FAILED(current))
    {
        return property;
    }
    property.supported = true;
    property.minimum = minimum;
    property.maximum = maximum;
    property.step = step;
    property.defaultValue = defaultValue;
    property.value = value;
    property.automaticOffered = (caps & VideoProcAmp_Flags_Auto) != 0;
    property.automatic = (flags & VideoProcAmp_Flags_Auto) != 0;
    return property;
}

void CameraControls::SetProperty(CameraPropertyId id, std::int32_t value, bool automatic)
{
    const CameraProperty property = GetProperty(id);
    if (!property.supported)
    {
        Exception error(L"このカメラにはこの設定がありません。");
        error.ErrorCode = E_NOTIMPL;
        throw error;
    }
    const long flags =
        automatic && property.automaticOffered ? VideoProcAmp_Flags_Auto : VideoProcAmp_Flags_Manual;
    const long clamped = property.Clamp(value);
    if (CameraProperty::IsCameraControl(id))
    {
        ThrowIfFailed(cameraControl_->Set(PlatformProperty(id), clamped, flags));
    }
    else
    {
        ThrowIfFailed(procAmp_->Set(PlatformProperty(id), clamped, flags));
    }
}

void CameraControls::ResetToDefaults()
{
    for (const CameraProperty& property : GetProperties())
    {
        if (property.supported)
        {
            SetProperty(property.id, property.defaultValue, false);
        }
    }
}

bool CameraControls::HasPropertyPages() const
{
    ComPointer<ISpecifyPropertyPages> pages;
    if (!source_ || FAILED(source_->QueryInterface(IID_ISpecifyPropertyPages, pages.PutVoid())))
    {
        return false;
    }
    CAUUID ids = {0, nullptr};
    const HRESULT result = pages->GetPages(&ids);
    const TaskMemory<GUID> owned(ids.pElems);
    return SUCCEEDED(result) && ids.cElems > 0;
}

void CameraControls::ShowPropertyPages(HWND owner, const std::wstring& caption) const
{
    if (!source_)
    {
        ThrowIfFailed(E_NOINTERFACE);
    }
    ComPointer<ISpecifyPropertyPages> pages;
    ThrowIfFailed(source_->QueryInterface(IID_ISpecifyPropertyPages, pages.PutVoid()));
    CAUUID ids = {0, nullptr};
    ThrowIfFailed(pages->GetPages(&ids));
    const TaskMemory<GUID> owned(ids.pElems);
    IUnknown* objects[] = {source_.Get()};
    ThrowIfFailed(OleCreatePropertyFrame(owner, 0, 0, caption.c_str(), 1, objects, ids.cElems, ids.pElems,
                                         GetUserDefaultLCID(), 0, nullptr));
}

} // namespace Common
