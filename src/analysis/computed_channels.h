#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "logdata/data_buffer.h"

namespace tarvik {

/// A channel the user defines by an expression over the logged quantities (muparser's syntax,
/// plus the series functions ddt, integ and smooth).
struct ComputedChannel {
    QString name;
    QString unit;
    QString expression;

    friend bool operator==(const ComputedChannel&, const ComputedChannel&) = default;
};

/// What is wrong with one definition: which (index in the list), where in the expression
/// (0-based character position, the expression's length for its end, -1 when not about a
/// position), and a message for the user.
struct ChannelProblem {
    int channel = -1;
    int position = -1;
    QString message;
};

/// A series over the data set's rows, element k for row k + 1; NaN where the sample is empty.
/// It holds the rows that hold samples (usedRows of the data set), no more.
using Series = std::vector<double>;

/// Limits of a definition.
inline constexpr int kMaxChannelNameLength = 64;
inline constexpr int kMaxChannelUnitLength = 32;
inline constexpr int kMaxExpressionLength = 10240;
/// A list longer than this is refused: each channel costs a pass over the log.
inline constexpr int kMaxComputedChannels = 1000;
/// smooth(x, n) takes n from 1 to this.
inline constexpr int kMaxSmoothSamples = kDataRows;

/// The variables an expression may use, in the order the dialog lists them: "t", "rpm", "vss",
/// "mph", "tps", "in1v", "in2v", "afr1", "afr2", "bat", "inputs", "outputs", "status", "pwm1",
/// "pwm2".
const QStringList& channelVariables();
/// What a variable means, for the dialog's list: "Road speed, mph (vss x 0.621388)"; empty for
/// a name that is not a variable.
QString channelVariableDescription(const QString& variable);
/// The series functions: "ddt", "integ", "smooth".
const QStringList& seriesFunctions();
/// muparser's own function names ("sin", "max", ...), and its constants ("_pi", "_e").
const QStringList& parserFunctions();
const QStringList& parserConstants();

/// The four ready-made channels: Acceleration (g), Distance (ft), Engine_Road_Ratio and
/// RPM_Rate (rpm/s).
const std::vector<ComputedChannel>& readyMadeChannels();

/// Checks `def` as channel number `index` of `channels` (the ones before it are defined;
/// its own entry in `channels`, if any, is ignored); nothing when it is sound. The name must
/// differ from every other entry's name; the expression may use only the variables and the
/// channels before `index`. An index outside 0..channels.size() is itself a problem.
std::optional<ChannelProblem> checkChannel(const std::vector<ComputedChannel>& channels, int index,
                                           const ComputedChannel& def);

/// Compiled channels, evaluated over a data set. Channels with a problem evaluate to all-empty
/// series and are listed in problems(). Each channel is checked against the channels before
/// it (of two with the same name, the second has the problem); one that uses a channel with a
/// problem has a problem too.
class ComputedChannelSet {
public:
    explicit ComputedChannelSet(std::vector<ComputedChannel> channels);

    const std::vector<ComputedChannel>& channels() const;
    const std::vector<ChannelProblem>& problems() const;
    /// One series per channel, in the channels' order, over rows 1..usedRows(data). A sample is
    /// empty where the result is not a finite number or where a value it uses is empty.
    std::vector<Series> evaluate(const DataBuffer& data) const;

private:
    struct Plans;  // what each sound channel reads, worked out once
    std::vector<ComputedChannel> channels_;
    std::vector<ChannelProblem> problems_;
    std::shared_ptr<const Plans> plans_;
};

/// The value of a variable as a series (for the lanes and the statistics): "rpm", "mph"...
/// over rows 1..usedRows(data); empty samples where the data set holds no finite number. A name
/// that is not a variable gives an all-empty series.
Series variableSeries(const DataBuffer& data, const QString& variable);

}  // namespace tarvik
