// VirtualCamera::CameraPropertyPage: the camera's own property page, as a
// camera driver offers one: exposure and gain, each a number and a slider,
// in the platform's property frame (OleCreatePropertyFrame), which creates
// the page by its class because the filter names it (ISpecifyPropertyPages).
// Like any driver's page it works on the object it is given through that
// object's IAMCameraControl and IAMVideoProcAmp. As many drivers' pages do,
// it changes the camera at once, under manual control, so that the picture
// follows the slider; the frame's OK, Cancel and Apply have nothing left to
// do. (Wine's frame never calls Apply: a page that waited for it would
// change nothing there.)
//
// Threads: the frame's thread, a user-interface thread.
#pragma once

#include "ComObject.h"
#include "Common/ComPointer.h"
#include "PageResource.h"

#include <ocidl.h>
#include <strmif.h>

namespace VirtualCamera
{

class CameraPropertyPage final : public ComObject<ComInterface<IPropertyPage, IID_IPropertyPage>>
{
public:
    CameraPropertyPage() = default;
    ~CameraPropertyPage() override;

    // IPropertyPage
    STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
    STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    STDMETHODIMP Deactivate() override;
    STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
    STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
    STDMETHODIMP Show(UINT command) override;
    STDMETHODIMP Move(LPCRECT rect) override;
    STDMETHODIMP IsPageDirty() override;
    STDMETHODIMP Apply() override;
    STDMETHODIMP Help(LPCOLESTR helpDirectory) override;
    STDMETHODIMP TranslateAccelerator(MSG* message) override;

private:
    // One setting of the page: its property in one of the two interfaces
    // and its controls.
    struct Field
    {
        bool cameraControl; // IAMCameraControl, else IAMVideoProcAmp
        long property;
        int edit;
        int slider;
    };

    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HRESULT GetRange(const Field& field, long& minimum, long& maximum) const;
    HRESULT Get(const Field& field, long& value) const;
    HRESULT Set(const Field& field, long value) const;
    // Fills the controls from the camera.
    void ShowValues();
    void OnEditChanged(const Field& field);
    void OnSliderMoved(const Field& field);
    // Gives the camera `value`; on a refusal the page shows the camera's values.
    void Change(const Field& field, long value);

    // The frame's site, held while it is set; the page never reports a
    // pending change to it, as it has none.
    Common::ComPointer<IPropertyPageSite> site_;
    Common::ComPointer<IAMCameraControl> cameraControl_;
    Common::ComPointer<IAMVideoProcAmp> procAmp_;
    HWND window_ = nullptr;
    bool showing_ = false; // the page itself is writing into its controls
    const Field fields_[2] = {
        {true, CameraControl_Exposure, IDC_PAGE_EXPOSURE, IDC_PAGE_EXPOSURE_SLIDER},
        {false, VideoProcAmp_Gain, IDC_PAGE_GAIN, IDC_PAGE_GAIN_SLIDER},
    };
};

} // namespace VirtualCamera
