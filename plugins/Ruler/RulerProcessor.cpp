#include "Ruler/RulerProcessor.h"

#include "framework/CallGuarded.h"

#include <cmath>
#include <cstdio>

namespace TavixSamples
{

std::wstring RulerProcessor::FormatLength(D2D1_POINT_2F start, D2D1_POINT_2F end)
{
    const double length =
        std::hypot(static_cast<double>(end.x) - start.x, static_cast<double>(end.y) - start.y);
    wchar_t text[64];
    std::swprintf(text, 64, L"%.1f px", length);
    return text;
}

void RulerProcessor::RequestRedraw()
{
    if (GetHost() != nullptr)
    {
        static_cast<void>(GetHost()->Redraw());
    }
}

HRESULT RulerProcessor::OnLButtonDown(UINT, const D2D1_POINT_2F* point, bool* capture)
{
    if (point == nullptr || capture == nullptr)
    {
        return E_POINTER;
    }
    start_ = *point;
    end_ = *point;
    hasLine_ = true;
    dragging_ = true;
    *capture = true; // the drag is ours: the preview does not pan
    RequestRedraw();
    return S_OK;
}

HRESULT RulerProcessor::OnMouseMove(UINT, const D2D1_POINT_2F* point)
{
    if (point == nullptr)
    {
        return E_POINTER;
    }
    if (dragging_)
    {
        end_ = *point;
        RequestRedraw();
    }
    return S_OK;
}

HRESULT RulerProcessor::OnLButtonUp(UINT, const D2D1_POINT_2F* point)
{
    if (point == nullptr)
    {
        return E_POINTER;
    }
    if (dragging_)
    {
        end_ = *point;
        dragging_ = false;
        RequestRedraw();
    }
    return S_OK;
}

HRESULT RulerProcessor::Draw(ID2D1RenderTarget* target, double scale)
{
    if (target == nullptr)
    {
        return E_POINTER;
    }
    if (!hasLine_)
    {
        return S_OK;
    }
    return Tavix::Framework::CallGuarded(
        [&]
        {
            if (!textFormat_)
            {
                Common::ComPointer<IDWriteFactory> writeFactory;
                Common::ThrowIfFailed(DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED,
                                                          __uuidof(IDWriteFactory),
                                                          reinterpret_cast<IUnknown**>(writeFactory.Put())));
                Common::ThrowIfFailed(writeFactory->CreateTextFormat(
                    L"Segoe UI", nullptr, DWRITE_FONT_WEIGHT_BOLD, DWRITE_FONT_STYLE_NORMAL,
                    DWRITE_FONT_STRETCH_NORMAL, 14.0f, L"ja-jp", textFormat_.Put()));
            }
            Common::ComPointer<ID2D1SolidColorBrush> line;
            Common::ThrowIfFailed(target->CreateSolidColorBrush(D2D1::ColorF(1.0f, 0.85f, 0.0f), line.Put()));
            Common::ComPointer<ID2D1SolidColorBrush> shadow;
            Common::ThrowIfFailed(
                target->CreateSolidColorBrush(D2D1::ColorF(0.0f, 0.0f, 0.0f, 0.6f), shadow.Put()));

            // Image point (x, y) is at (x * scale, y * scale) on the target.
            const float s = static_cast<float>(scale);
            const D2D1_POINT_2F a = {start_.x * s, start_.y * s};
            const D2D1_POINT_2F b = {end_.x * s, end_.y * s};
            target->DrawLine(a, b, shadow.Get(), 4.0f);
            target->DrawLine(a, b, line.Get(), 2.0f);
            // End marks: small squares at both ends.
            for (const D2D1_POINT_2F& p : {a, b})
            {
                target->DrawRectangle(D2D1::RectF(p.x - 3, p.y - 3, p.x + 3, p.y + 3), line.Get(), 1.5f);
            }

            const std::wstring text = FormatLength(start_, end_);
            const D2D1_RECT_F box = D2D1::RectF(b.x + 8, b.y + 4, b.x + 160, b.y + 24);
            target->FillRectangle(
                D2D1::RectF(box.left - 2, box.top, box.left + 8.0f * text.size() + 4, box.bottom),
                shadow.Get());
            target->DrawText(text.c_str(), static_cast<UINT32>(text.size()), textFormat_.Get(), box,
                             line.Get());
            return S_OK;
        });
}

} // namespace TavixSamples
