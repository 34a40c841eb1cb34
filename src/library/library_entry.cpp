#include "library/library_entry.h"

namespace tarvik {

QString passKindName(PassKind kind) {
    switch (kind) {
        case PassKind::Download:
            return QStringLiteral("Download");
        case PassKind::Recording:
            return QStringLiteral("Recording");
        case PassKind::File:
            break;
    }
    return QStringLiteral("File");
}

QString figureHeading(Figure figure) {
    switch (figure) {
        case Figure::Ft60:
            return QStringLiteral("60 ft");
        case Figure::EighthMile:
            return QStringLiteral("1/8 mile");
        case Figure::QuarterMile:
            return QStringLiteral("1/4 mile");
        case Figure::ZeroToSixty:
            return QStringLiteral("0-60 mph");
        case Figure::PeakRpm:
            return QStringLiteral("Peak RPM");
        case Figure::PeakMph:
            break;
    }
    return QStringLiteral("Peak mph");
}

}  // namespace tarvik
