#include "Common/ui/Polyline.h"

#include "Common/ComPointer.h"
#include "Common/Exception.h"

namespace Common::Mfc
{

void DrawPolyline(ID2D1RenderTarget& target, const std::vector<D2D1_POINT_2F>& points, ID2D1Brush* brush,
                  float strokeWidth)
{
    if (points.size() < 2)
    {
        return;
    }
    ComPointer<ID2D1Factory> factory;
    target.GetFactory(factory.Put());
    ComPointer<ID2D1PathGeometry> geometry;
    ThrowIfFailed(factory->CreatePathGeometry(geometry.Put()));
    ComPointer<ID2D1GeometrySink> sink;
    ThrowIfFailed(geometry->Open(sink.Put()));
    sink->BeginFigure(points.front(), D2D1_FIGURE_BEGIN_HOLLOW);
    sink->AddLines(points.data() + 1, static_cast<UINT32>(points.size() - 1));
    sink->EndFigure(D2D1_FIGURE_END_OPEN);
    ThrowIfFailed(sink->Close());
    target.DrawGeometry(geometry.Get(), brush, strokeWidth);
}

} // namespace Common::Mfc
