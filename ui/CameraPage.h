// TavixCapture::CameraPage: the camera settings page of the side pane
// (dialog template 134). One row for each property the current camera has
// (name, range, step and default, a slider, an edit box, "自動" where the
// camera offers automatic control; exposure also in seconds), the buttons
// "詳細設定..." (the camera's own property pages), "既定値に戻す" and
// "飽和しない露出", and a line that says what the last of them did. A camera
// without any of these properties gets a short note instead of rows.
//
// Changes reach the camera at once, also while it streams, and are saved
// for that camera (CameraSettings). The rows are made again when another
// camera is chosen or capture starts or stops (a Media Foundation camera
// then has a new source); a one-second timer shows the values that the
// camera changes itself (automatic control) while the page is shown.
//
// "飽和しない露出" runs on the frame notifications: each step of the search
// sets an exposure and waits, without blocking, for a frame taken with it.
// It judges the region the current processor measures where it has one
// (ProcessorRegion), else the whole frame.
// UI thread.
#pragma once

#include "Common/capture/CameraControls.h"
#include "Common/capture/FrameBuffer.h"
#include "Common/ui/Button.h"
#include "Common/ui/Dialog.h"
#include "app/ExposureSearch.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace TavixCapture
{

class MainModel;

class CameraPage : public Common::Mfc::Dialog
{
public:
    explicit CameraPage(MainModel& model);
    ~CameraPage() override;

    // The Japanese name of a property ("露出").
    static const wchar_t* DisplayName(Common::CameraPropertyId id);
    // An exposure value as a time ("1/32 秒").
    static std::wstring ExposureTime(std::int32_t exposure);
    // The dialog item id of one part of a property's row.
    static int RowItemId(Common::CameraPropertyId id, int part);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    bool OnCommand(int id, int code, HWND control) override;
    bool OnScroll(int bar, int request, int position, HWND control) override;
    bool OnMouseWheel(UINT flags, int delta, POINT screenPoint) override;
    bool OnTimer(UINT_PTR id) override;
    bool OnSize(UINT type, int width, int height) override;
    bool OnDestroy() override;
    void OnPropertyChanged(std::int32_t id) override;

private:
    struct Row
    {
        Common::CameraPropertyId id;
        Common::CameraProperty shown; // what the row shows now
        HWND name;
        HWND range;
        HWND slider;
        HWND edit;
        HWND automatic; // null when the camera offers no automatic control
    };

    // The controls of the current camera, and the rows for them.
    void Rebuild();
    void DestroyRows();
    HWND MakeControl(const wchar_t* className, const std::wstring& text, DWORD style, RECT units, int id);
    // Every row shows what the camera holds now (a row being typed into
    // keeps its text).
    void Refresh();
    void ShowRow(Row& row, const Common::CameraProperty& property);
    Row* FindRow(int itemId);
    // Applies a change to the camera; saves it unless `save` is false (the
    // slider still moving).
    void Change(Common::CameraPropertyId id, std::int32_t value, bool automatic, bool save);
    void Save();
    void OnDefaults();
    void OnDriverPages();
    void UpdateButtons();
    void SetStatus(const std::wstring& text);

    void StartSearch();
    void OnSearchFrame();
    void EndSearch(const std::wstring& status);

    void ScrollTo(int position);
    void UpdateScrollBar();

    MainModel& model_;
    bool registered_ = false;
    std::shared_ptr<Common::CameraControls> controls_;
    std::vector<Row> rows_;
    // The page's content height in pixels and how far it is scrolled.
    int contentHeight_ = 0;
    int scrollPosition_ = 0;
    // Set while the page itself writes into an edit box.
    bool showing_ = false;

    std::optional<ExposureSearch> search_;
    std::optional<Common::FrameRegion> searchRegion_; // none: the whole frame
    std::uint64_t searchFirstFrame_ = 0;              // the frame count when the search began
    std::uint64_t settleFrame_ = 0; // the first frame count that shows the exposure set last
    // The region (or frame) each step looks at, kept for the search's steps.
    Common::FrameBuffer searchFrame_;
};

} // namespace TavixCapture
