#pragma once

#include <QByteArray>
#include <vector>

namespace tarvik {

class DataBuffer;

/// The small picture of a pass the library shows in each row: engine speed and road speed at a
/// few dozen moments evenly spread over the pass, kept in the library so that drawing a row never
/// reads its file.
struct PicturePoint {
    float rpm = 0;
    float kmh = 0;
};

/// Points of a picture.
inline constexpr int kPicturePoints = 48;

/// The points over rows `firstRow`..`lastRow` (1-based, held to the data set's rows): at each of
/// kPicturePoints moments evenly spaced in time, the sample at or just before it. Fewer points
/// when the stretch holds fewer samples; none when it holds none.
std::vector<PicturePoint> picturePoints(const DataBuffer& data, int firstRow, int lastRow);

/// The points as the library stores them (little-endian singles, RPM then km/h per point).
QByteArray encodePicture(const std::vector<PicturePoint>& points);
/// The stored points again; bytes that do not make whole points are dropped.
std::vector<PicturePoint> decodePicture(const QByteArray& bytes);

}  // namespace tarvik
