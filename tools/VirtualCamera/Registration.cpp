#include "Registration.h"

#include "Common/ComPointer.h"
#include "Module.h"
#include "VirtualCameraIds.h"

#include <oleauto.h>
#include <strmif.h>
#include <uuids.h>

#include <string>

namespace VirtualCamera
{
namespace
{

// An open registry key, closed by its destructor.
class RegistryKey
{
public:
    RegistryKey() = default;
    ~RegistryKey()
    {
        if (key_ != nullptr)
        {
            RegCloseKey(key_);
        }
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY* Put() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

std::wstring ClassKeyPath(REFCLSID classId)
{
    wchar_t text[64] = {};
    StringFromGUID2(classId, text, 64);
    return std::wstring(L"CLSID\\") + text;
}

HRESULT SetText(HKEY key, const wchar_t* name, const std::wstring& value)
{
    const LSTATUS status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    return HRESULT_FROM_WIN32(status);
}

HRESULT WriteBagText(IPropertyBag& bag, const wchar_t* name, const wchar_t* text)
{
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(text);
    if (value.bstrVal == nullptr)
    {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = bag.Write(name, &value);
    VariantClear(&value);
    return hr;
}

// The class's key with its name, served by this DLL (`modulePath`) in any apartment.
HRESULT RegisterComClass(REFCLSID classId, const wchar_t* name, const wchar_t* modulePath)
{
    RegistryKey classKey;
    HRESULT hr = HRESULT_FROM_WIN32(RegCreateKeyExW(HKEY_CLASSES_ROOT, ClassKeyPath(classId).c_str(), 0,
                                                    nullptr, 0, KEY_WRITE, nullptr, classKey.Put(), nullptr));
    if (FAILED(hr) || FAILED(hr = SetText(classKey.Get(), nullptr, name)))
    {
        return hr;
    }
    RegistryKey serverKey;
    hr = HRESULT_FROM_WIN32(RegCreateKeyExW(classKey.Get(), L"InprocServer32", 0, nullptr, 0, KEY_WRITE,
                                            nullptr, serverKey.Put(), nullptr));
    if (FAILED(hr) || FAILED(hr = SetText(serverKey.Get(), nullptr, modulePath)) ||
        FAILED(hr = SetText(serverKey.Get(), L"ThreadingModel", L"Both")))
    {
        return hr;
    }
    return S_OK;
}

HRESULT UnregisterComClass(REFCLSID classId)
{
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKeyPath(classId).c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
}

} // namespace

HRESULT Registration::RegisterServer()
{
    wchar_t modulePath[MAX_PATH] = {};
    if (GetModuleFileNameW(Module::GetHandle(), modulePath, MAX_PATH) == 0)
    {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    HRESULT hr = RegisterComClass(ClassId, FriendlyName, modulePath);
    if (FAILED(hr) ||
        FAILED(hr = RegisterComClass(PropertyPageId, L"Tavix Virtual Camera Property Page", modulePath)))
    {
        return hr;
    }
    return RegisterInstance(FriendlyName, FriendlyName, DevicePath, L"standard");
}

HRESULT Registration::UnregisterServer()
{
    const HRESULT instance = UnregisterInstance(FriendlyName);
    const HRESULT page = UnregisterComClass(PropertyPageId);
    const HRESULT filter = UnregisterComClass(ClassId);
    return FAILED(instance) ? instance : FAILED(page) ? page : filter;
}

HRESULT Registration::RegisterInstance(const wchar_t* instance, const wchar_t* friendlyName,
                                       const wchar_t* devicePath, const wchar_t* catalogue)
{
    try
    {
        Common::ComPointer<IFilterMapper2> mapper;
        mapper.CreateInstance(CLSID_FilterMapper2, CLSCTX_INPROC_SERVER);

        REGPINTYPES pinType = {&MEDIATYPE_Video, &MEDIASUBTYPE_NULL};
        REGFILTERPINS2 pin = {};
        pin.dwFlags = REG_PINFLAG_B_OUTPUT;
        pin.cInstances = 1;
        pin.nMediaTypes = 1;
        pin.lpMediaType = &pinType;
        pin.clsPinCategory = &PIN_CATEGORY_CAPTURE;
        REGFILTER2 filter = {};
        filter.dwVersion = 2;
        filter.dwMerit = MERIT_DO_NOT_USE;
        filter.cPins2 = 1;
        filter.rgPins2 = &pin;

        Common::ComPointer<IMoniker> moniker;
        Common::ThrowIfFailed(mapper->RegisterFilter(ClassId, friendlyName, moniker.Put(),
                                                     &CLSID_VideoInputDeviceCategory, instance, &filter));
        Common::ComPointer<IPropertyBag> bag;
        Common::ThrowIfFailed(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid()));
        if (devicePath[0] != L'\0')
        {
            Common::ThrowIfFailed(WriteBagText(*bag.Get(), L"DevicePath", devicePath));
        }
        Common::ThrowIfFailed(WriteBagText(*bag.Get(), CatalogueProperty, catalogue));
        return S_OK;
    }
    catch (const Common::Exception& error)
    {
        return error.ErrorCode;
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}

HRESULT Registration::UnregisterInstance(const wchar_t* instance)
{
    try
    {
        Common::ComPointer<IFilterMapper2> mapper;
        mapper.CreateInstance(CLSID_FilterMapper2, CLSCTX_INPROC_SERVER);
        const HRESULT hr = mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, instance, ClassId);
        // Not registered is as good as unregistered.
        return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : hr;
    }
    catch (const Common::Exception& error)
    {
        return error.ErrorCode;
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}

} // namespace VirtualCamera
