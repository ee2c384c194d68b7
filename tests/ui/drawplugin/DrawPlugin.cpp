// Test plug-in of the window suite: "描画失敗" fails in every Draw,
// "マウス失敗" in every mouse call, "出力不正" hands out an output image
// whose buffer is shorter than its stride times its height, and "記録"
// counts what the preview calls (enter, leave, down, up; read with the
// exported DrawPluginCount) and claims the mouse on a button-down.
#include "framework/ProcessorBase.h"
#include "framework/ProcessorFactory.h"

#include <atomic>

namespace
{

constexpr HRESULT DrawFailure = static_cast<HRESULT>(0x80041010);

// Enter, leave, down, up.
std::atomic<int> counts[4];

class DrawFails : public Tavix::Framework::ProcessorBase
{
public:
    HRESULT STDMETHODCALLTYPE Draw(ID2D1RenderTarget*, double) override { return DrawFailure; }
};

class MouseFails : public Tavix::Framework::ProcessorBase
{
public:
    HRESULT STDMETHODCALLTYPE OnMouseMove(UINT, const D2D1_POINT_2F*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE OnLButtonDown(UINT, const D2D1_POINT_2F*, bool*) override { return E_FAIL; }
};

class BadOutput : public Tavix::Framework::ProcessorBase
{
public:
    Common::FrameBuffer* STDMETHODCALLTYPE GetOutputImage() override
    {
        Common::FrameBuffer* frame = ProcessorBase::GetOutputImage();
        if (frame == nullptr)
        {
            return nullptr;
        }
        bad_.width = frame->width;
        bad_.height = frame->height;
        bad_.stride = frame->stride;
        bad_.pixels.assign(static_cast<std::size_t>(frame->stride) * 2, 0xFF); // two rows only
        return &bad_;
    }

private:
    Common::FrameBuffer bad_;
};

// Counts the pointer calls, and claims the mouse on a button-down.
class Recorder : public Tavix::Framework::ProcessorBase
{
public:
    HRESULT STDMETHODCALLTYPE OnMouseEnter() override { return Count(0); }
    HRESULT STDMETHODCALLTYPE OnMouseLeave() override { return Count(1); }
    HRESULT STDMETHODCALLTYPE OnLButtonDown(UINT, const D2D1_POINT_2F*, bool* capture) override
    {
        if (capture != nullptr)
        {
            *capture = true;
        }
        return Count(2);
    }
    HRESULT STDMETHODCALLTYPE OnLButtonUp(UINT, const D2D1_POINT_2F*) override { return Count(3); }

private:
    static HRESULT Count(int which)
    {
        ++counts[which];
        return S_OK;
    }
};

} // namespace

extern "C" __declspec(dllexport) HRESULT
    __stdcall GetProcessorFactory(Tavix::Framework::IProcessorFactory** factory)
{
    return Tavix::Framework::ProcessorFactory::Create(
        {{L"描画失敗", []() -> Tavix::Framework::IProcessor* { return new DrawFails; }},
         {L"マウス失敗", []() -> Tavix::Framework::IProcessor* { return new MouseFails; }},
         {L"出力不正", []() -> Tavix::Framework::IProcessor* { return new BadOutput; }},
         {L"記録", []() -> Tavix::Framework::IProcessor* { return new Recorder; }}},
        factory);
}

// 0 enter, 1 leave, 2 down, 3 up: the calls "記録" has seen.
extern "C" __declspec(dllexport) int __stdcall DrawPluginCount(int which)
{
    return which >= 0 && which < 4 ? counts[which].load() : -1;
}
