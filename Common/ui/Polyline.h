// Common::Mfc::DrawPolyline: strokes a run of connected points on a
// Direct2D target as one path geometry. A DrawLine per segment would cost a
// geometry each in some Direct2D implementations: thousands a paint for a
// profile one point per pixel long. The target's thread.
#pragma once

#include <d2d1.h>

#include <vector>

namespace Common::Mfc
{

// Draws nothing for fewer than two points. Throws Common::Exception when the
// geometry cannot be made.
void DrawPolyline(ID2D1RenderTarget& target, const std::vector<D2D1_POINT_2F>& points, ID2D1Brush* brush,
                  float strokeWidth = 1.0f);

} // namespace Common::Mfc
