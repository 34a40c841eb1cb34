#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

#include "analysis/launch_events.h"
#include "logdata/data_buffer.h"

namespace tarvik {

/// The distances a pass is timed at, in metres: 60 ft, 330 ft, 1/8 mile, 1000 ft, 1/4 mile.
enum class Mark { Ft60, Ft330, EighthMile, Ft1000, QuarterMile };
inline constexpr std::array<double, 5> kMarkMetres{18.288, 100.584, 201.168, 304.8, 402.336};
/// A pass is timed for at most this long after its launch.
inline constexpr double kPassSeconds = 20.0;

/// The figures of one pass, times in seconds from its launch. A figure the pass did not reach
/// (a mark, 60 mph, a stage that never came on) is empty; a peak over samples that hold no
/// finite value is NaN.
struct PassFigures {
    int launchRow = 0;      ///< 1-based row of the launch
    double launchTime = 0;  ///< its elapsed time, t0
    int endRow = 0;         ///< the last row within the pass
    double endTime = 0;     ///< the 1/4-mile time, t0 + 20 s or the log's end, absolute
    std::array<std::optional<double>, 5> marks;  ///< indexed by Mark
    std::optional<double> eighthMph;
    std::optional<double> quarterMph;
    std::optional<double> zeroToSixty;
    double peakRpm = 0;
    double peakMph = 0;
    double minBattery = 0;
    double maxTps = 0;
    std::optional<double> stage1On;
    double stage1Time = 0;
    std::optional<double> stage2On;
    double stage2Time = 0;

    std::optional<double> mark(Mark m) const { return marks[static_cast<std::size_t>(m)]; }
};

/// The figures of the pass launched at `launchRow` (1-based). Distance is integrated from the
/// launch by the trapezoid rule on road speed; a mark is reached at the first sample at or past
/// it no later than 20 s after the launch, at the time interpolated linearly between that
/// sample and the one before. Peaks, minimum battery and the stages are taken over the samples
/// from the launch to the pass's end. A row outside the data set's rows throws AppError
/// "Subscript out of range".
PassFigures passFigures(const DataBuffer& data, int launchRow);

/// Every pass of the log in time order: each launch of the kind `event`, the search for the
/// next one starting after the previous pass's end. Only the data set's rows 1..rows count.
std::vector<PassFigures> findPasses(const DataBuffer& data, LaunchEvent event);

/// The best of the passes: the shortest 1/4-mile time; where none reached it, the shortest
/// 1/8-mile time; then the shortest 60 ft. Nothing when no pass reached 60 ft (or there is
/// none).
std::optional<std::size_t> bestPass(const std::vector<PassFigures>& passes);

/// The report's column headings: "Launch", "Launch Time", "60 ft", ... "Max TPS".
const QStringList& passReportHeadings();
/// One pass's report fields, numbered `number` (from 1): times with three decimals, mph and
/// volts with one, RPM and TPS whole (ties to even), an empty field for a figure not reached.
QStringList passReportFields(const PassFigures& pass, int number);
/// The whole report as RFC 4180 CSV: the heading line, then a line per pass, CR LF line ends.
QString passReportCsv(const std::vector<PassFigures>& passes);

}  // namespace tarvik
