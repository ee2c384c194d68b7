#include "app/CameraSettings.h"

#include "Common/capture/CameraControls.h"
#include "Common/capture/Device.h"

namespace TavixCapture
{

namespace
{
// What a missing key reads as: no integer the text form can hold.
constexpr wchar_t Missing[] = L"";
} // namespace

std::wstring CameraSettings::SectionName(const std::wstring& devicePath)
{
    return L"Camera " + devicePath;
}

std::wstring CameraSettings::AutomaticKeyName(Common::CameraPropertyId id)
{
    return std::wstring(L"Is") + Common::CameraProperty::GetKeyName(id) + L"Automatic";
}

void CameraSettings::Restore(Common::Device& device) const noexcept
{
    try
    {
        const std::wstring section = SectionName(device.path);
        const std::shared_ptr<Common::CameraControls> controls = device.GetCameraControls();
        for (const Common::CameraProperty& property : controls->GetProperties())
        {
            if (!property.supported)
            {
                continue;
            }
            const std::wstring valueText = profile_.ReadString(
                section.c_str(), Common::CameraProperty::GetKeyName(property.id), Missing);
            const std::wstring automaticText =
                profile_.ReadString(section.c_str(), AutomaticKeyName(property.id).c_str(), Missing);
            if (valueText.empty() && automaticText.empty())
            {
                continue;
            }
            const std::int32_t value = IniProfile::ParseInt(valueText, property.value);
            const bool automatic = IniProfile::ParseInt(automaticText, property.automatic ? 1 : 0) != 0;
            try
            {
                // SetProperty moves the value into the present range.
                controls->SetProperty(property.id, value, automatic);
            }
            catch (const Common::Exception&)
            {
                // Refused: the camera keeps its own value.
            }
        }
    }
    catch (...)
    {
        // A camera whose settings cannot be reached at all is used as it is.
    }
}

bool CameraSettings::Save(const std::wstring& devicePath,
                          const std::vector<Common::CameraProperty>& properties) const
{
    const std::wstring section = SectionName(devicePath);
    IniProfile::Transaction transaction(profile_);
    bool written = true;
    for (const Common::CameraProperty& property : properties)
    {
        if (!property.supported)
        {
            continue;
        }
        written = profile_.WriteInt(section.c_str(), Common::CameraProperty::GetKeyName(property.id),
                                    property.value) &&
                  written;
        written = profile_.WriteInt(section.c_str(), AutomaticKeyName(property.id).c_str(),
                                    property.automatic ? 1 : 0) &&
                  written;
    }
    return transaction.Commit() && written;
}

} // namespace TavixCapture
