#include "analysis/pass_report.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/number_format.h"
#include "core/app_error.h"
#include "link/controller_model.h"

namespace tarvik {

namespace {

constexpr int kStage1Bit = 0x01;
constexpr int kStage2Bit = 0x02;
constexpr double kMetresPerSecondPerKmh = 1.0 / 3.6;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The data set's columns as doubles, sample k 0-based.
class Samples {
public:
    explicit Samples(const DataBuffer& data) : data_(data) {}
    double t(int k) const { return get(Column::ElapsedTime, k); }
    double vss(int k) const { return get(Column::VSS, k); }
    double get(Column c, int k) const {
        return static_cast<double>(data_.column(c)[static_cast<std::size_t>(k)]);
    }

private:
    const DataBuffer& data_;
};

// Where a rising quantity first reaches `target` between samples k - 1 and k.
double crossingTime(double t0, double t1, double v0, double v1, double target) {
    return t0 + (target - v0) / (v1 - v0) * (t1 - t0);
}

double interpolate(double t0, double t1, double v0, double v1, double t) {
    return t1 == t0 ? v1 : v0 + (v1 - v0) * (t - t0) / (t1 - t0);
}

// Distances and the 0-60 crossing, walking from the launch to 20 s after it.
void timeMarks(const Samples& s, int launch, int n, PassFigures& p) {
    const double limit = p.launchTime + kPassSeconds + kTimeSlack;
    double distance = 0;
    std::size_t nextMark = 0;
    for (int k = launch + 1; k < n && s.t(k) <= limit; ++k) {
        const double t0 = s.t(k - 1);
        const double t1 = s.t(k);
        const double v0 = s.vss(k - 1);
        const double v1 = s.vss(k);
        if (!p.zeroToSixty && v0 < kSixtyMphKmh && v1 >= kSixtyMphKmh) {
            p.zeroToSixty = crossingTime(t0, t1, v0, v1, kSixtyMphKmh) - p.launchTime;
        }
        const double step = (v0 + v1) / 2.0 * kMetresPerSecondPerKmh * (t1 - t0);
        if (!std::isfinite(step)) {
            continue;  // a sample without a finite speed or time carries no distance
        }
        const double before = distance;
        distance += step;
        while (nextMark < kMarkMetres.size() && distance >= kMarkMetres[nextMark]) {
            const double at = crossingTime(t0, t1, before, distance, kMarkMetres[nextMark]);
            p.marks[nextMark] = at - p.launchTime;
            if (nextMark == static_cast<std::size_t>(Mark::EighthMile)) {
                p.eighthMph = interpolate(t0, t1, v0, v1, at) * kMphPerKmh;
            } else if (nextMark == static_cast<std::size_t>(Mark::QuarterMile)) {
                p.quarterMph = interpolate(t0, t1, v0, v1, at) * kMphPerKmh;
            }
            ++nextMark;
        }
    }
}

// The pass ends at its 1/4-mile time, 20 s after the launch or at the log's end.
void findEnd(const Samples& s, int launch, int n, PassFigures& p) {
    const std::optional<double> quarter = p.mark(Mark::QuarterMile);
    const double end = quarter ? p.launchTime + *quarter : p.launchTime + kPassSeconds;
    const double slack = quarter ? 0.0 : kTimeSlack;
    int last = launch;
    while (last + 1 < n && s.t(last + 1) <= end + slack) {
        ++last;
    }
    p.endRow = last + 1;
    p.endTime = last + 1 < n ? end : std::min(end, s.t(n - 1));
}

// Peaks and stages over the samples from the launch to the pass's end.
void sampleFigures(const Samples& s, const DataBuffer& data, int launch, PassFigures& p) {
    double peakRpm = kNaN;
    double peakVss = kNaN;
    double minBattery = kNaN;
    double maxTps = kNaN;
    int stage1 = 0;
    int stage2 = 0;
    auto keepMax = [](double& m, double v) {
        if (std::isfinite(v) && !(m >= v)) {
            m = v;
        }
    };
    for (int k = launch; k < p.endRow; ++k) {
        keepMax(peakRpm, s.get(Column::RPM, k));
        keepMax(peakVss, s.vss(k));
        keepMax(maxTps, s.get(Column::TPSPercent, k));
        const double bat = s.get(Column::BatVolts, k);
        if (std::isfinite(bat) && !(minBattery <= bat)) {
            minBattery = bat;
        }
        const float outputs = data.column(Column::OutputData)[static_cast<std::size_t>(k)];
        if (bitsSet(outputs, kStage1Bit)) {
            stage1 += 1;
            p.stage1On = p.stage1On.value_or(s.t(k) - p.launchTime);
        }
        if (bitsSet(outputs, kStage2Bit)) {
            stage2 += 1;
            p.stage2On = p.stage2On.value_or(s.t(k) - p.launchTime);
        }
    }
    p.peakRpm = peakRpm;
    p.peakMph = peakVss * kMphPerKmh;
    p.minBattery = minBattery;
    p.maxTps = maxTps;
    p.stage1Time = stage1 * static_cast<double>(data.logInterval);
    p.stage2Time = stage2 * static_cast<double>(data.logInterval);
}

QString fixed(std::optional<double> value, const char* pattern) {
    if (!value || !std::isfinite(*value)) {
        return QString();
    }
    return formatPattern(*value, QLatin1String(pattern));
}

constexpr const char* kSeconds = "0.000";
constexpr const char* kTenths = "0.0";
constexpr const char* kWhole = "0";

}  // namespace

PassFigures passFigures(const DataBuffer& data, int launchRow) {
    const int n = usedRows(data);
    if (launchRow < 1 || launchRow > n) {
        throw AppError::subscriptOutOfRange(QStringLiteral("Pass Report"));
    }
    const Samples s(data);
    const int launch = launchRow - 1;
    PassFigures p;
    p.launchRow = launchRow;
    p.launchTime = s.t(launch);
    timeMarks(s, launch, n, p);
    findEnd(s, launch, n, p);
    sampleFigures(s, data, launch, p);
    return p;
}

std::vector<PassFigures> findPasses(const DataBuffer& data, LaunchEvent event) {
    std::vector<PassFigures> passes;
    int after = 0;
    while (const std::optional<int> row = nextLaunch(data, event, after)) {
        passes.push_back(passFigures(data, *row));
        // The next pass is looked for after this one's end, and always further on.
        after = std::max(passes.back().endRow, *row + 1);
    }
    return passes;
}

std::optional<std::size_t> bestPass(const std::vector<PassFigures>& passes) {
    for (Mark m : {Mark::QuarterMile, Mark::EighthMile, Mark::Ft60}) {
        std::optional<std::size_t> best;
        for (std::size_t i = 0; i < passes.size(); ++i) {
            const std::optional<double> time = passes[i].mark(m);
            if (time && (!best || *time < *passes[*best].mark(m))) {
                best = i;
            }
        }
        if (best) {
            return best;
        }
    }
    return std::nullopt;
}

const QStringList& passReportHeadings() {
    static const QStringList headings{
        QStringLiteral("Launch"),       QStringLiteral("Launch Time"),
        QStringLiteral("60 ft"),        QStringLiteral("330 ft"),
        QStringLiteral("1/8 mile"),     QStringLiteral("1/8 mile mph"),
        QStringLiteral("1000 ft"),      QStringLiteral("1/4 mile"),
        QStringLiteral("1/4 mile mph"), QStringLiteral("0-60 mph"),
        QStringLiteral("Peak RPM"),     QStringLiteral("Peak mph"),
        QStringLiteral("Stage 1 On"),   QStringLiteral("Stage 1 Time"),
        QStringLiteral("Stage 2 On"),   QStringLiteral("Stage 2 Time"),
        QStringLiteral("Min Battery"),  QStringLiteral("Max TPS")};
    return headings;
}

QStringList passReportFields(const PassFigures& p, int number) {
    return {QString::number(number),
            fixed(p.launchTime, kSeconds),
            fixed(p.mark(Mark::Ft60), kSeconds),
            fixed(p.mark(Mark::Ft330), kSeconds),
            fixed(p.mark(Mark::EighthMile), kSeconds),
            fixed(p.eighthMph, kTenths),
            fixed(p.mark(Mark::Ft1000), kSeconds),
            fixed(p.mark(Mark::QuarterMile), kSeconds),
            fixed(p.quarterMph, kTenths),
            fixed(p.zeroToSixty, kSeconds),
            fixed(p.peakRpm, kWhole),
            fixed(p.peakMph, kTenths),
            fixed(p.stage1On, kSeconds),
            fixed(p.stage1Time, kSeconds),
            fixed(p.stage2On, kSeconds),
            fixed(p.stage2Time, kSeconds),
            fixed(p.minBattery, kTenths),
            fixed(p.maxTps, kWhole)};
}

QString passReportCsv(const std::vector<PassFigures>& passes) {
    // No field holds a comma, a quote or a line end, so none needs quotes.
    const QString crlf = QStringLiteral("\r\n");
    QString csv = passReportHeadings().join(u',') + crlf;
    int number = 0;
    for (const PassFigures& p : passes) {
        csv += passReportFields(p, ++number).join(u',') + crlf;
    }
    return csv;
}

}  // namespace tarvik
