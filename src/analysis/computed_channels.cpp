#include "analysis/computed_channels.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <variant>

#include "analysis/channel_expression.h"
#include "analysis/launch_events.h"
#include "analysis/series_functions.h"
#include "link/controller_model.h"

namespace tarvik {

namespace ce = channel_expression;

namespace {

constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();

struct Variable {
    QString name;
    Column column;
    double scale;
    double offset;
    QString description;
};

// The variables: a data set column, scaled. Air/fuel ratio is what a wide-band sensor's
// 0-5 V output stands for: volts x 2 + 10.
const std::vector<Variable>& variables() {
    static const std::vector<Variable> list{
        {QStringLiteral("t"), Column::ElapsedTime, 1, 0,
         QStringLiteral("Elapsed time, seconds, as the log holds it")},
        {QStringLiteral("rpm"), Column::RPM, 1, 0, QStringLiteral("Engine speed, rpm")},
        {QStringLiteral("vss"), Column::VSS, 1, 0,
         QStringLiteral("Road speed, km/h, as the log holds it")},
        {QStringLiteral("mph"), Column::VSS, kMphPerKmh, 0,
         QStringLiteral("Road speed, mph (vss x 0.621388)")},
        {QStringLiteral("tps"), Column::TPSPercent, 1, 0, QStringLiteral("Throttle position, %")},
        {QStringLiteral("in1v"), Column::Input1Volts, 1, 0, QStringLiteral("Input 1, volts")},
        {QStringLiteral("in2v"), Column::Input2Volts, 1, 0, QStringLiteral("Input 2, volts")},
        {QStringLiteral("afr1"), Column::Input1Volts, 2, 10,
         QStringLiteral("Input 1 as an air/fuel ratio (in1v x 2 + 10)")},
        {QStringLiteral("afr2"), Column::Input2Volts, 2, 10,
         QStringLiteral("Input 2 as an air/fuel ratio (in2v x 2 + 10)")},
        {QStringLiteral("bat"), Column::BatVolts, 1, 0, QStringLiteral("Battery, volts")},
        {QStringLiteral("inputs"), Column::InputData, 1, 0,
         QStringLiteral("Input bits (0x01 arming, 0x02 purge, 0x04 general-purpose input)")},
        {QStringLiteral("outputs"), Column::OutputData, 1, 0,
         QStringLiteral("Output bits (0x01 stage 1, 0x02 stage 2, 0x04 general-purpose output, "
                        "0x08 lamp, 0x10 purge)")},
        {QStringLiteral("status"), Column::Status, 1, 0, QStringLiteral("Controller status code")},
        {QStringLiteral("pwm1"), Column::Stage1PWM, 1, 0, QStringLiteral("Stage 1 duty cycle, %")},
        {QStringLiteral("pwm2"), Column::Stage2PWM, 1, 0, QStringLiteral("Stage 2 duty cycle, %")},
    };
    return list;
}

QString quoted(const QString& s) {
    return u'"' + s + u'"';
}

// A name as a message shows it: a very long one is cut short.
QString shownName(const QString& name) {
    return quoted(name.size() > kMaxChannelNameLength
                      ? name.left(kMaxChannelNameLength) + QStringLiteral("...")
                      : name);
}

bool isIdentifier(const QString& name) {
    const auto letter = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
    };
    return !name.isEmpty() && letter(name.front()) &&
           std::all_of(name.begin(), name.end(),
                       [&](QChar c) { return letter(c) || (c >= u'0' && c <= u'9'); });
}

std::optional<QString> nameProblem(const QString& name) {
    if (name.isEmpty()) {
        return QStringLiteral("The channel has no name.");
    }
    if (name.size() > kMaxChannelNameLength) {
        return QStringLiteral("The name %1 is longer than %2 characters.")
            .arg(shownName(name))
            .arg(kMaxChannelNameLength);
    }
    if (!isIdentifier(name)) {
        return QStringLiteral(
                   "The name %1 may hold only letters, digits and underscores, and may "
                   "not begin with a digit.")
            .arg(quoted(name));
    }
    if (channelVariables().contains(name)) {
        return QStringLiteral("%1 is the name of a variable.").arg(quoted(name));
    }
    if (seriesFunctions().contains(name) || parserFunctions().contains(name)) {
        return QStringLiteral("%1 is the name of a function.").arg(quoted(name));
    }
    if (parserConstants().contains(name)) {
        return QStringLiteral("%1 is the name of a constant.").arg(quoted(name));
    }
    return std::nullopt;
}

std::optional<QString> unitProblem(const QString& unit) {
    if (unit.size() > kMaxChannelUnitLength) {
        return QStringLiteral("The unit is longer than %1 characters.").arg(kMaxChannelUnitLength);
    }
    // A tab or a line break would split the copied figures' and the exports' columns.
    if (std::any_of(unit.begin(), unit.end(),
                    [](QChar c) { return c.category() == QChar::Other_Control; })) {
        return QStringLiteral("The unit may not hold tabs or line breaks.");
    }
    return std::nullopt;
}

QString clashMessage(const QString& name) {
    return QStringLiteral("Another channel is already named %1.").arg(quoted(name));
}

// The name (free, and not taken by another channel when `taken`), the unit and the expression
// within the scope, in that order.
std::variant<ce::Compiled, ChannelProblem> analyse(const ComputedChannel& def,
                                                   const ce::Scope& scope, bool taken) {
    if (const auto p = nameProblem(def.name)) {
        return ChannelProblem{-1, -1, *p};
    }
    if (taken) {
        return ChannelProblem{-1, -1, clashMessage(def.name)};
    }
    if (const auto p = unitProblem(def.unit)) {
        return ChannelProblem{-1, -1, *p};
    }
    if (def.expression.trimmed().isEmpty()) {
        return ChannelProblem{-1, -1, QStringLiteral("The expression is empty.")};
    }
    if (def.expression.size() > kMaxExpressionLength) {
        return ChannelProblem{-1, -1,
                              QStringLiteral("The expression is longer than %1 characters.")
                                  .arg(kMaxExpressionLength)};
    }
    ce::Outcome outcome = ce::compile(def.expression, scope);
    if (!outcome.compiled) {
        return ChannelProblem{-1, outcome.position, outcome.message};
    }
    return std::move(*outcome.compiled);
}

}  // namespace

const QStringList& channelVariables() {
    static const QStringList names = [] {
        QStringList out;
        for (const Variable& v : variables()) {
            out << v.name;
        }
        return out;
    }();
    return names;
}

QString channelVariableDescription(const QString& variable) {
    for (const Variable& v : variables()) {
        if (v.name == variable) {
            return v.description;
        }
    }
    return QString();
}

const QStringList& seriesFunctions() {
    static const QStringList names{QStringLiteral("ddt"), QStringLiteral("integ"),
                                   QStringLiteral("smooth")};
    return names;
}

const QStringList& parserFunctions() {
    static const QStringList names = ce::parserFunctionNames();
    return names;
}

const QStringList& parserConstants() {
    static const QStringList names = ce::parserConstantNames();
    return names;
}

const std::vector<ComputedChannel>& readyMadeChannels() {
    static const std::vector<ComputedChannel> list{
        {QStringLiteral("Acceleration"), QStringLiteral("g"),
         QStringLiteral("ddt(vss) / 3.6 / 9.80665")},
        {QStringLiteral("Distance"), QStringLiteral("ft"),
         QStringLiteral("integ(vss) / 3.6 * 3.28084")},
        {QStringLiteral("Engine_Road_Ratio"), QString(), QStringLiteral("rpm / max(mph, 1)")},
        {QStringLiteral("RPM_Rate"), QStringLiteral("rpm/s"), QStringLiteral("ddt(rpm)")},
    };
    return list;
}

std::optional<ChannelProblem> checkChannel(const std::vector<ComputedChannel>& channels, int index,
                                           const ComputedChannel& def) {
    const int count = static_cast<int>(channels.size());
    if (index < 0 || index > count || index >= kMaxComputedChannels) {
        return ChannelProblem{index, -1,
                              index >= kMaxComputedChannels && index <= count
                                  ? QStringLiteral("There can be at most %1 computed channels.")
                                        .arg(kMaxComputedChannels)
                                  : QStringLiteral("There is no place %1 in the list of %2 "
                                                   "channels.")
                                        .arg(index + 1)
                                        .arg(count)};
    }
    ce::Scope scope;
    scope.self = def.name;
    for (int i = 0; i < count; ++i) {
        if (i != index) {
            (i < index ? scope.above : scope.below) << channels[static_cast<std::size_t>(i)].name;
        }
    }
    auto result =
        analyse(def, scope, scope.above.contains(def.name) || scope.below.contains(def.name));
    if (auto* problem = std::get_if<ChannelProblem>(&result)) {
        problem->channel = index;
        return *problem;
    }
    return std::nullopt;
}

// What each channel reads, by channel; empty for a channel with a problem.
struct ComputedChannelSet::Plans {
    std::vector<std::optional<ce::Compiled>> compiled;
    QHash<QString, int> index;  // the sound channels by name
};

ComputedChannelSet::ComputedChannelSet(std::vector<ComputedChannel> channels)
    : channels_(std::move(channels)) {
    auto plans = std::make_shared<Plans>();
    ce::Scope scope;
    const int count = static_cast<int>(channels_.size());
    for (int i = 0; i < count; ++i) {
        const ComputedChannel& def = channels_[static_cast<std::size_t>(i)];
        scope.self = def.name;
        std::optional<ce::Compiled> compiled;
        const auto fail = [&](int position, const QString& message) {
            problems_.push_back({i, position, message});
        };
        if (i >= kMaxComputedChannels) {
            fail(-1, QStringLiteral("There can be at most %1 computed channels.")
                         .arg(kMaxComputedChannels));
        } else {
            auto result = analyse(def, scope, scope.above.contains(def.name));
            if (auto* problem = std::get_if<ChannelProblem>(&result)) {
                fail(problem->position, problem->message);
            } else {
                compiled = std::move(std::get<ce::Compiled>(result));
            }
        }
        // A channel that uses one with a problem cannot be worked out either: the first such
        // use is named.
        if (compiled) {
            int at = -1;
            QString broken;
            for (auto it = compiled->firstUse.cbegin(); it != compiled->firstUse.cend(); ++it) {
                if (!channelVariables().contains(it.key()) && !plans->index.contains(it.key()) &&
                    (at < 0 || it.value() < at)) {
                    at = it.value();
                    broken = it.key();
                }
            }
            if (at >= 0) {
                fail(at, QStringLiteral("The channel %1 %2 has a problem of its own.")
                             .arg(quoted(broken),
                                  ce::where(at, static_cast<int>(def.expression.size()))));
                compiled.reset();
            }
        }
        if (compiled && !plans->index.contains(def.name)) {
            plans->index.insert(def.name, i);
        }
        plans->compiled.push_back(std::move(compiled));
        scope.above << def.name;
    }
    plans_ = std::move(plans);
}

const std::vector<ComputedChannel>& ComputedChannelSet::channels() const {
    return channels_;
}

const std::vector<ChannelProblem>& ComputedChannelSet::problems() const {
    return problems_;
}

std::vector<Series> ComputedChannelSet::evaluate(const DataBuffer& data) const {
    const std::size_t rows = static_cast<std::size_t>(usedRows(data));
    std::vector<Series> results(channels_.size(), Series(rows, kEmpty));
    // Node-based maps: the pointers handed to the evaluation stay valid as they grow.
    std::map<QString, Series> variablesRead;
    std::map<QString, Series> seriesDone;
    const auto variable = [&](const QString& name) -> const Series& {
        auto it = variablesRead.find(name);
        if (it == variablesRead.end()) {
            it = variablesRead.emplace(name, variableSeries(data, name)).first;
        }
        return it->second;
    };
    const auto source = [&](const QString& name) -> const Series& {
        const auto channel = plans_->index.find(name);
        return channel != plans_->index.end() ? results[static_cast<std::size_t>(*channel)]
                                              : variable(name);
    };
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        const std::optional<ce::Compiled>& compiled = plans_->compiled[i];
        if (!compiled) {
            continue;
        }
        std::vector<const Series*> inputs;
        for (const std::string& read : compiled->reads) {
            const auto call =
                std::find_if(compiled->calls.begin(), compiled->calls.end(),
                             [&](const ce::SeriesCall& c) { return c.hiddenName == read; });
            if (call == compiled->calls.end()) {
                inputs.push_back(&source(QString::fromStdString(read)));
                continue;
            }
            const QString key = ce::seriesKey(*call);
            auto done = seriesDone.find(key);
            if (done == seriesDone.end()) {
                const Series& x = source(call->source);
                Series s = call->function == ce::SeriesFunction::Ddt
                               ? seriesDerivative(x, variable(QStringLiteral("t")))
                           : call->function == ce::SeriesFunction::Integ
                               ? seriesIntegral(x, variable(QStringLiteral("t")))
                               : seriesSmooth(x, call->samples);
                done = seriesDone.emplace(key, std::move(s)).first;
            }
            inputs.push_back(&done->second);
        }
        results[i] = ce::evaluate(*compiled, inputs, rows);
    }
    return results;
}

Series variableSeries(const DataBuffer& data, const QString& variable) {
    const std::size_t rows = static_cast<std::size_t>(usedRows(data));
    Series out(rows, kEmpty);
    const auto v = std::find_if(variables().begin(), variables().end(),
                                [&](const Variable& x) { return x.name == variable; });
    if (v == variables().end()) {
        return out;
    }
    const auto& column = data.column(v->column);
    for (std::size_t k = 0; k < rows; ++k) {
        const double value = static_cast<double>(column[k]) * v->scale + v->offset;
        out[k] = std::isfinite(value) ? value : kEmpty;
    }
    return out;
}

}  // namespace tarvik
