#include "ui/CameraPage.h"

#include "app/MainModel.h"
#include "app/ProcessorRegion.h"
#include "resources/resource.h"

#include <commctrl.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cwchar>

namespace TavixCapture
{

namespace
{
using Common::CameraProperty;
using Common::CameraPropertyId;

constexpr UINT_PTR RefreshTimer = 1;
constexpr UINT RefreshMilliseconds = 1000;
// Where the first row begins and how high a row is, in dialog units.
constexpr int FirstRowTop = 64;
constexpr int RowHeight = 38;
// A frame counted at or after the one after next shows a new exposure: the
// frame being taken while it was set may still have the old one.
constexpr std::uint64_t SettleFrames = 2;

// The whole text as a decimal integer; none for anything else ("", "-").
std::optional<std::int32_t> ParseInteger(const std::wstring& text)
{
    if (text.empty())
    {
        return std::nullopt;
    }
    wchar_t* end = nullptr;
    errno = 0;
    const long value = std::wcstol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != L'\0' || errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
    {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::wstring WindowText(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring RangeText(const CameraProperty& property)
{
    return L"範囲 " + std::to_wstring(property.minimum) + L"〜" + std::to_wstring(property.maximum) +
           L"  刻み " + std::to_wstring(property.step) + L"  既定値 " +
           std::to_wstring(property.defaultValue);
}

std::wstring NameText(const CameraProperty& property)
{
    std::wstring text = CameraPage::DisplayName(property.id);
    if (property.id == CameraPropertyId::Exposure)
    {
        text += L" " + CameraPage::ExposureTime(property.value);
    }
    return text;
}
} // namespace

CameraPage::CameraPage(MainModel& model) : Dialog(IDD_CAMERAPAGE), model_(model) {}

CameraPage::~CameraPage()
{
    DestroyWindow();
}

const wchar_t* CameraPage::DisplayName(CameraPropertyId id)
{
    static constexpr const wchar_t* names[CameraProperty::Count] = {
        L"明るさ", L"コントラスト",     L"色合い",   L"彩度",   L"シャープネス", L"ガンマ",
        L"カラー", L"ホワイトバランス", L"逆光補正", L"ゲイン", L"電源周波数",   L"パン",
        L"チルト", L"ロール",           L"ズーム",   L"露出",   L"絞り",         L"フォーカス"};
    const int index = static_cast<int>(id);
    return index >= 0 && index < CameraProperty::Count ? names[index] : L"";
}

std::wstring CameraPage::ExposureTime(std::int32_t exposure)
{
    // Exposure is log2 of the time in seconds.
    const std::int32_t shift = std::min(std::abs(exposure), 30);
    const std::wstring power = std::to_wstring(1L << shift);
    return (exposure < 0 ? L"1/" + power : power) + L" 秒";
}

int CameraPage::RowItemId(CameraPropertyId id, int part)
{
    return IDC_CAMERA_ROW_FIRST + 10 * static_cast<int>(id) + part;
}

BOOL CameraPage::OnInitDialog()
{
    model_.AddListener(this);
    registered_ = true;
    SetTimer(RefreshTimer, RefreshMilliseconds);
    return TRUE;
}

bool CameraPage::OnDestroy()
{
    KillTimer(RefreshTimer);
    if (registered_)
    {
        model_.RemoveListener(this);
        registered_ = false;
    }
    return false;
}

void CameraPage::OnPropertyChanged(std::int32_t id)
{
    switch (static_cast<PropertyId>(id))
    {
    case PropertyId::CaptureDevice:
    case PropertyId::IsCapturing:
        if (search_ && !model_.GetCurrentDevice().IsOpened())
        {
            EndSearch(L"取り込みが止まったため、露出の調整をやめました。");
        }
        Rebuild();
        break;
    case PropertyId::Frame:
        if (search_)
        {
            OnSearchFrame();
        }
        break;
    default:
        break;
    }
}

bool CameraPage::OnTimer(UINT_PTR id)
{
    if (id != RefreshTimer)
    {
        return false;
    }
    if (IsWindowVisible(GetSafeHwnd()) != FALSE)
    {
        Refresh();
    }
    return true;
}

void CameraPage::Rebuild()
{
    try
    {
        controls_ = model_.GetCurrentDevice().GetCameraControls();
    }
    catch (...)
    {
        // A camera whose settings cannot be reached is one without settings.
        controls_.reset();
    }
    std::vector<CameraProperty> properties =
        controls_ ? controls_->GetProperties() : std::vector<CameraProperty>();
    properties.erase(std::remove_if(properties.begin(), properties.end(),
                                    [](const CameraProperty& property) { return !property.supported; }),
                     properties.end());
    // The same properties as the rows show (capture started or stopped):
    // the rows stay, with the focus and what is being typed.
    const auto sameRow = [](const Row& row, const CameraProperty& property)
    {
        return row.id == property.id && row.shown.minimum == property.minimum &&
               row.shown.maximum == property.maximum && row.shown.step == property.step &&
               row.shown.defaultValue == property.defaultValue &&
               row.shown.automaticOffered == property.automaticOffered;
    };
    if (!rows_.empty() &&
        std::equal(rows_.begin(), rows_.end(), properties.begin(), properties.end(), sameRow))
    {
        Refresh();
        return;
    }
    ScrollTo(0);
    DestroyRows();
    int top = FirstRowTop;
    for (const CameraProperty& property : properties)
    {
        const CameraPropertyId id = property.id;
        Row row{id, property, nullptr, nullptr, nullptr, nullptr, nullptr};
        // Name, number and "自動"; the slider; range, step and default.
        row.name = MakeControl(L"STATIC", L"", SS_NOPREFIX | SS_LEFTNOWORDWRAP, {7, top + 2, 98, top + 10},
                               RowItemId(id, IDC_CAMERA_ROW_NAME));
        row.edit = MakeControl(L"EDIT", L"", ES_RIGHT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP,
                               {100, top, 136, top + 12}, RowItemId(id, IDC_CAMERA_ROW_EDIT));
        if (property.automaticOffered)
        {
            row.automatic =
                MakeControl(L"BUTTON", L"自動", BS_CHECKBOX | WS_TABSTOP, {140, top + 1, 175, top + 11},
                            RowItemId(id, IDC_CAMERA_ROW_AUTOMATIC));
        }
        row.slider = MakeControl(TRACKBAR_CLASSW, L"", TBS_HORZ | TBS_NOTICKS | WS_TABSTOP,
                                 {3, top + 13, 177, top + 25}, RowItemId(id, IDC_CAMERA_ROW_SLIDER));
        row.range = MakeControl(L"STATIC", L"", SS_NOPREFIX | SS_LEFTNOWORDWRAP, {7, top + 26, 173, top + 34},
                                RowItemId(id, IDC_CAMERA_ROW_RANGE));
        rows_.push_back(row);
        ShowRow(rows_.back(), property);
        top += RowHeight;
    }
    RECT content = {0, 0, 0, rows_.empty() ? FirstRowTop + 24 : top};
    MapDialogRect(GetSafeHwnd(), &content);
    contentHeight_ = content.bottom;
    ::ShowWindow(GetDlgItem(IDC_CAMERA_NONE), rows_.empty() ? SW_SHOW : SW_HIDE);
    UpdateScrollBar();
    UpdateButtons();
}

void CameraPage::DestroyRows()
{
    for (const Row& row : rows_)
    {
        for (const HWND control : {row.name, row.range, row.slider, row.edit, row.automatic})
        {
            if (control != nullptr)
            {
                ::DestroyWindow(control);
            }
        }
    }
    rows_.clear();
}

HWND CameraPage::MakeControl(const wchar_t* className, const std::wstring& text, DWORD style, RECT units,
                             int id)
{
    RECT pixels = units;
    MapDialogRect(GetSafeHwnd(), &pixels);
    const HWND control = CreateWindowExW(
        0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, pixels.left, pixels.top - scrollPosition_,
        pixels.right - pixels.left, pixels.bottom - pixels.top, GetSafeHwnd(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    Common::Mfc::ThrowLastErrorIf(control == nullptr);
    ::SendMessageW(control, WM_SETFONT, SendMessage(WM_GETFONT), FALSE);
    return control;
}

void CameraPage::Refresh()
{
    if (!controls_)
    {
        return;
    }
    for (Row& row : rows_)
    {
        ShowRow(row, controls_->GetProperty(row.id));
    }
    UpdateButtons();
}

void CameraPage::ShowRow(Row& row, const CameraProperty& property)
{
    row.shown = property;
    ::SetWindowTextW(row.name, NameText(property).c_str());
    ::SetWindowTextW(row.range, RangeText(property).c_str());
    const LPARAM low = std::min(property.minimum, property.maximum);
    const LPARAM high = std::max(property.minimum, property.maximum);
    if (::SendMessageW(row.slider, TBM_GETRANGEMIN, 0, 0) != low ||
        ::SendMessageW(row.slider, TBM_GETRANGEMAX, 0, 0) != high)
    {
        // The thumb must move to where the value lies in the new range even
        // when the value stays (0 of a new slider is its left end, of -64..64
        // the middle): Wine's slider places its thumb again only when the
        // position changes, so it passes through another one first.
        ::SendMessageW(row.slider, TBM_SETRANGEMIN, FALSE, low);
        ::SendMessageW(row.slider, TBM_SETRANGEMAX, TRUE, high);
        ::SendMessageW(row.slider, TBM_SETPOS, TRUE, property.value == low ? high : low);
    }
    ::SendMessageW(row.slider, TBM_SETLINESIZE, 0, std::max(property.step, 1));
    ::SendMessageW(row.slider, TBM_SETPAGESIZE, 0, std::max(property.step, 1));
    ::SendMessageW(row.slider, TBM_SETPOS, TRUE, property.value);
    // Under automatic control the camera chooses: the value only shows it.
    ::EnableWindow(row.slider, property.automatic ? FALSE : TRUE);
    ::SendMessageW(row.edit, EM_SETREADONLY, property.automatic ? TRUE : FALSE, 0);
    if (GetFocus() != row.edit || property.automatic)
    {
        showing_ = true;
        ::SetWindowTextW(row.edit, std::to_wstring(property.value).c_str());
        showing_ = false;
    }
    if (row.automatic != nullptr)
    {
        ::SendMessageW(row.automatic, BM_SETCHECK, property.automatic ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

CameraPage::Row* CameraPage::FindRow(int itemId)
{
    for (Row& row : rows_)
    {
        if ((itemId - IDC_CAMERA_ROW_FIRST) / 10 == static_cast<int>(row.id))
        {
            return &row;
        }
    }
    return nullptr;
}

void CameraPage::Change(CameraPropertyId id, std::int32_t value, bool automatic, bool save)
{
    if (!controls_)
    {
        return;
    }
    try
    {
        controls_->SetProperty(id, value, automatic);
    }
    catch (...)
    {
        // The row shows what the camera kept.
        Refresh();
        throw;
    }
    for (Row& row : rows_)
    {
        if (row.id == id)
        {
            ShowRow(row, controls_->GetProperty(id));
        }
    }
    if (save)
    {
        Save();
    }
}

void CameraPage::Save()
{
    if (controls_)
    {
        // A file that cannot be written now keeps the earlier settings; the
        // camera has the new ones for this run.
        static_cast<void>(
            model_.GetCameraSettings().Save(model_.GetCurrentDevice().path, controls_->GetProperties()));
    }
}

bool CameraPage::OnCommand(int id, int code, HWND control)
{
    if (id >= IDC_CAMERA_ROW_FIRST)
    {
        Row* row = FindRow(id);
        if (row == nullptr)
        {
            return true;
        }
        const int part = (id - IDC_CAMERA_ROW_FIRST) % 10;
        if (part == IDC_CAMERA_ROW_AUTOMATIC && code == BN_CLICKED)
        {
            Change(row->id, row->shown.value, !row->shown.automatic, true);
        }
        else if (part == IDC_CAMERA_ROW_EDIT && code == EN_CHANGE && !showing_)
        {
            const std::optional<std::int32_t> typed = ParseInteger(WindowText(row->edit));
            const std::int32_t low = std::min(row->shown.minimum, row->shown.maximum);
            const std::int32_t high = std::max(row->shown.minimum, row->shown.maximum);
            // Only a whole value of the range while typing ("-" on the way to "-5" is none).
            if (typed && *typed >= low && *typed <= high && !row->shown.automatic)
            {
                showing_ = true;
                try
                {
                    Change(row->id, *typed, false, true);
                }
                catch (...)
                {
                    showing_ = false;
                    throw;
                }
                showing_ = false;
            }
        }
        else if (part == IDC_CAMERA_ROW_EDIT && code == EN_KILLFOCUS)
        {
            // Left with a value out of range: the nearest one; with no value: the camera's.
            const std::optional<std::int32_t> typed = ParseInteger(WindowText(row->edit));
            if (typed && *typed != row->shown.value && !row->shown.automatic)
            {
                Change(row->id, *typed, false, true);
            }
            else
            {
                ShowRow(*row, row->shown);
            }
        }
        return true;
    }
    if (code != BN_CLICKED)
    {
        return Dialog::OnCommand(id, code, control);
    }
    switch (id)
    {
    case IDC_CAMERA_DEFAULTS:
        OnDefaults();
        return true;
    case IDC_CAMERA_DRIVER_PAGES:
        OnDriverPages();
        return true;
    case IDC_CAMERA_NO_SATURATION:
        StartSearch();
        return true;
    default:
        return Dialog::OnCommand(id, code, control);
    }
}

bool CameraPage::OnScroll(int bar, int request, int position, HWND control)
{
    if (control == nullptr && bar == SB_VERT)
    {
        const RECT client = GetClientRect();
        const int page = static_cast<int>(client.bottom);
        const int line = std::max(page / 10, 1);
        int target = scrollPosition_;
        switch (request)
        {
        case SB_LINEUP:
            target -= line;
            break;
        case SB_LINEDOWN:
            target += line;
            break;
        case SB_PAGEUP:
            target -= page;
            break;
        case SB_PAGEDOWN:
            target += page;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            target = position;
            break;
        case SB_TOP:
            target = 0;
            break;
        case SB_BOTTOM:
            target = contentHeight_;
            break;
        default:
            return true;
        }
        ScrollTo(target);
        return true;
    }
    for (Row& row : rows_)
    {
        if (row.slider == control && !row.shown.automatic)
        {
            const auto wanted = static_cast<std::int32_t>(::SendMessageW(control, TBM_GETPOS, 0, 0));
            // Saved when the slider comes to rest; the camera follows it all the way.
            const bool rest = request == TB_ENDTRACK || request == TB_THUMBPOSITION;
            if (wanted != row.shown.value || rest)
            {
                Change(row.id, wanted, false, rest);
            }
            return true;
        }
    }
    return false;
}

bool CameraPage::OnMouseWheel(UINT, int delta, POINT)
{
    ScrollTo(scrollPosition_ -
             delta / WHEEL_DELTA * std::max(static_cast<int>(GetClientRect().bottom) / 10, 1));
    return true;
}

bool CameraPage::OnSize(UINT, int, int)
{
    UpdateScrollBar();
    return false;
}

void CameraPage::ScrollTo(int position)
{
    if (GetSafeHwnd() == nullptr)
    {
        return;
    }
    const int page = GetClientRect().bottom;
    const int target = std::clamp(position, 0, std::max(contentHeight_ - page, 0));
    if (target != scrollPosition_)
    {
        ::ScrollWindowEx(GetSafeHwnd(), 0, scrollPosition_ - target, nullptr, nullptr, nullptr, nullptr,
                         SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
        scrollPosition_ = target;
    }
    SCROLLINFO info = {sizeof(info), SIF_POS, 0, 0, 0, scrollPosition_, 0};
    ::SetScrollInfo(GetSafeHwnd(), SB_VERT, &info, TRUE);
}

void CameraPage::UpdateScrollBar()
{
    if (GetSafeHwnd() == nullptr)
    {
        return;
    }
    const int page = GetClientRect().bottom;
    // The bar only while the rows do not fit.
    SCROLLINFO info = {sizeof(info),
                       SIF_RANGE | SIF_PAGE,
                       0,
                       contentHeight_ > page ? contentHeight_ - 1 : 0,
                       static_cast<UINT>(contentHeight_ > page ? page : 0),
                       0,
                       0};
    ::SetScrollInfo(GetSafeHwnd(), SB_VERT, &info, TRUE);
    ScrollTo(scrollPosition_);
}

void CameraPage::UpdateButtons()
{
    const bool exposure = std::any_of(rows_.begin(), rows_.end(),
                                      [](const Row& row) { return row.id == CameraPropertyId::Exposure; });
    const bool capturing = model_.GetCurrentDevice().IsOpened();
    ::EnableWindow(GetDlgItem(IDC_CAMERA_DEFAULTS), rows_.empty() || search_ ? FALSE : TRUE);
    ::EnableWindow(GetDlgItem(IDC_CAMERA_NO_SATURATION), exposure && capturing && !search_ ? TRUE : FALSE);
    ::EnableWindow(GetDlgItem(IDC_CAMERA_DRIVER_PAGES),
                   controls_ && controls_->HasPropertyPages() && !search_ ? TRUE : FALSE);
}

void CameraPage::SetStatus(const std::wstring& text)
{
    ::SetWindowTextW(GetDlgItem(IDC_CAMERA_STATUS), text.c_str());
}

void CameraPage::OnDefaults()
{
    if (!controls_)
    {
        return;
    }
    try
    {
        controls_->ResetToDefaults();
    }
    catch (...)
    {
        Refresh();
        Save();
        throw;
    }
    Refresh();
    Save();
    SetStatus(L"既定値に戻しました。");
}

void CameraPage::OnDriverPages()
{
    if (!controls_)
    {
        return;
    }
    const std::wstring caption = model_.GetCurrentDevice().name;
    try
    {
        controls_->ShowPropertyPages(GetAncestor(GetSafeHwnd(), GA_ROOT), caption);
    }
    catch (...)
    {
        Refresh();
        throw;
    }
    // The camera's own dialog may have changed anything.
    Refresh();
    Save();
}

void CameraPage::StartSearch()
{
    if (!controls_ || search_ || !model_.GetCurrentDevice().IsOpened())
    {
        return;
    }
    const CameraProperty exposure = controls_->GetProperty(CameraPropertyId::Exposure);
    if (!exposure.supported)
    {
        return;
    }
    search_.emplace(exposure);
    searchRegion_ = ProcessorRegion::Ask(model_.GetCurrentProcessor());
    searchFirstFrame_ = model_.GetDeliveredFrameCount();
    SetStatus(L"飽和しない露出を探しています...");
    UpdateButtons();
    try
    {
        controls_->SetProperty(CameraPropertyId::Exposure, search_->Current(), false);
    }
    catch (...)
    {
        EndSearch(L"");
        throw;
    }
    settleFrame_ = model_.GetDeliveredFrameCount() + SettleFrames;
}

void CameraPage::OnSearchFrame()
{
    if (model_.GetDeliveredFrameCount() < settleFrame_)
    {
        return;
    }
    // That frame or a later one: the model counts a frame while the device
    // holds the frame it copies from.
    // Only the region where it lies inside the frame (the frame lock is held
    // for that copy alone), else the whole frame.
    const Common::Device& device = model_.GetCurrentDevice();
    const bool regionCopied = searchRegion_ && device.CopyLatestFrame(searchFrame_, *searchRegion_);
    if (!regionCopied)
    {
        device.CopyLatestFrame(searchFrame_);
    }
    const bool saturated =
        ExposureSearch::IsSaturated(searchFrame_.pixels.data(), searchFrame_.width, searchFrame_.height,
                                    searchFrame_.stride, regionCopied ? std::nullopt : searchRegion_);
    try
    {
        if (!search_->Observe(saturated))
        {
            controls_->SetProperty(CameraPropertyId::Exposure, search_->Current(), false);
            settleFrame_ = model_.GetDeliveredFrameCount() + SettleFrames;
            return;
        }
        const std::optional<std::int32_t> found = search_->Result();
        const CameraProperty exposure = controls_->GetProperty(CameraPropertyId::Exposure);
        const std::int32_t chosen = found.value_or(std::min(exposure.minimum, exposure.maximum));
        controls_->SetProperty(CameraPropertyId::Exposure, chosen, false);
        const std::wstring frames = std::to_wstring(model_.GetDeliveredFrameCount() - searchFirstFrame_);
        const std::wstring where = searchRegion_ ? L"計測領域で" : L"";
        EndSearch(found ? L"露出を " + ExposureTime(chosen) + L" (" + std::to_wstring(chosen) +
                              L") にしました。" + where + L"飽和しない最長の露出です (" + frames +
                              L" フレーム)。"
                        : L"最短の露出 " + ExposureTime(chosen) + L" (" + std::to_wstring(chosen) +
                              L") でも" + where + L"飽和します。");
    }
    catch (...)
    {
        EndSearch(L"露出を変えられませんでした。");
        throw;
    }
}

void CameraPage::EndSearch(const std::wstring& status)
{
    search_.reset();
    searchFrame_ = Common::FrameBuffer();
    SetStatus(status);
    Refresh();
    Save();
    UpdateButtons();
}

} // namespace TavixCapture
