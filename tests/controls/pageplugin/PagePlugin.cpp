// Test plug-in of the side-pane suite: "ページ試験" offers a settings page, a
// hidden child window painted magenta that it creates on its first
// CreatePage and destroys on Terminate; "ページ試験2" offers one the same way,
// painted yellow; "ページなし試験" offers none. The page has messages of its
// own: WM_APP paints it in AppColor, and WM_APP + 1 fails in its handler.
// The page object lives in storage that Terminate fills with a pattern after
// destroying it, as a debug heap does with freed memory: a host that still
// reads the page afterwards finds garbage, not a plausible window.
#include "Common/Exception.h"
#include "Common/ui/Window.h"
#include "framework/CallGuarded.h"
#include "framework/ProcessorBase.h"
#include "framework/ProcessorFactory.h"

#include <cstring>
#include <new>

namespace
{

constexpr COLORREF AppColor = RGB(0, 255, 255);

class PageWindow : public Common::Mfc::Window
{
public:
    explicit PageWindow(COLORREF color) : color_(color) {}

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == WM_APP)
        {
            color_ = AppColor;
            Invalidate();
            result = 0;
            return true;
        }
        if (message == WM_APP + 1)
        {
            throw Common::Exception(L"ページの処理に失敗しました。");
        }
        return Window::OnMessage(message, wParam, lParam, result);
    }
    bool OnPaint() override
    {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(GetSafeHwnd(), &paint);
        if (dc != nullptr)
        {
            const HBRUSH brush = CreateSolidBrush(color_);
            const RECT client = GetClientRect();
            FillRect(dc, &client, brush);
            DeleteObject(brush);
            EndPaint(GetSafeHwnd(), &paint);
        }
        return true;
    }

private:
    COLORREF color_;
};

// One page a processor at a time: the model keeps only the current processor
// alive.
alignas(PageWindow) unsigned char pageStorage[2][sizeof(PageWindow)];

template <int Index, COLORREF Color> class PageProcessor : public Tavix::Framework::ProcessorBase
{
public:
    HRESULT STDMETHODCALLTYPE CreatePage(Common::Mfc::Window* parent, Common::Mfc::Window** page) override
    {
        return Tavix::Framework::CallGuarded(
            [&]
            {
                if (page == nullptr)
                {
                    return E_POINTER;
                }
                if (page_ == nullptr)
                {
                    page_ = new (pageStorage[Index]) PageWindow(Color);
                    page_->CreateEx(0, L"TavixTestPluginPage", L"", WS_CHILD | WS_CLIPSIBLINGS,
                                    RECT{0, 0, 10, 10}, parent->GetSafeHwnd(), 0);
                }
                *page = page_;
                return S_OK;
            });
    }
    HRESULT STDMETHODCALLTYPE Terminate() override
    {
        DropPage();
        return ProcessorBase::Terminate();
    }
    ~PageProcessor() override { DropPage(); }

private:
    void DropPage()
    {
        if (page_ != nullptr)
        {
            page_->~PageWindow();
            page_ = nullptr;
            std::memset(pageStorage[Index], 0xDD, sizeof(pageStorage[Index]));
        }
    }

    PageWindow* page_ = nullptr;
};

class PlainProcessor : public Tavix::Framework::ProcessorBase
{
};

} // namespace

extern "C" __declspec(dllexport) HRESULT
    __stdcall GetProcessorFactory(Tavix::Framework::IProcessorFactory** factory)
{
    return Tavix::Framework::ProcessorFactory::Create(
        {{L"ページ試験",
          []() -> Tavix::Framework::IProcessor* { return new PageProcessor<0, RGB(255, 0, 255)>; }},
         {L"ページ試験2",
          []() -> Tavix::Framework::IProcessor* { return new PageProcessor<1, RGB(255, 255, 0)>; }},
         {L"ページなし試験", []() -> Tavix::Framework::IProcessor* { return new PlainProcessor; }}},
        factory);
}
