#include "chart/chart_codes.h"

namespace tarvik {

ChartMouseButton chartMouseButton(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return ChartMouseButton::Left;
        case Qt::RightButton:
            return ChartMouseButton::Right;
        case Qt::MiddleButton:
            return ChartMouseButton::Middle;
        default:
            return ChartMouseButton::None;
    }
}

int mouseButtonCode(ChartMouseButton button) {
    return static_cast<int>(button);
}

ChartMouseButton mouseButtonFromCode(int code) {
    for (ChartMouseButton b :
         {ChartMouseButton::Left, ChartMouseButton::Right, ChartMouseButton::Middle}) {
        if (code == mouseButtonCode(b)) {
            return b;
        }
    }
    return ChartMouseButton::None;
}

int shiftStateCode(Qt::KeyboardModifiers modifiers) {
    return (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0) |
           (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0) |
           (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}

}  // namespace tarvik
