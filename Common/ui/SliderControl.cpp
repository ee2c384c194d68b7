#include "Common/ui/SliderControl.h"

#include <algorithm>
#include <cmath>

namespace Common::Mfc
{

int SliderControl::WheelPosition(int position, int minimum, int maximum, int delta)
{
    const double step = static_cast<double>(maximum - minimum) / 50.0;
    // std::round rounds halves away from zero.
    const double moved = static_cast<double>(position) + static_cast<double>(delta) * step / 120.0;
    const double clamped =
        std::clamp(std::round(moved), static_cast<double>(minimum), static_cast<double>(maximum));
    return static_cast<int>(clamped);
}

bool SliderControl::OnMouseWheel(UINT, int delta, POINT)
{
    const int position = WheelPosition(GetPos(), GetRangeMin(), GetRangeMax(), delta);
    SetPos(position, true);
    // The position travels as the signed 16-bit high word of the request.
    const auto request = MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(static_cast<short>(position)));
    ::SendMessageW(::GetParent(GetSafeHwnd()), WM_HSCROLL, request, reinterpret_cast<LPARAM>(GetSafeHwnd()));
    return true;
}

} // namespace Common::Mfc
