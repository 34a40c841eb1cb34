#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "analysis/computed_channels.h"

namespace tarvik::channel_expression {

/// The names around the channel being compiled: the channels above it may be used, itself and
/// the ones below it may not (each gets its own message).
struct Scope {
    QString self;
    QStringList above;
    QStringList below;
};

enum class SeriesFunction { Ddt, Integ, Smooth };

/// One series function call of an expression, worked out over the whole series before the
/// expression is evaluated sample by sample.
struct SeriesCall {
    SeriesFunction function = SeriesFunction::Ddt;
    QString source;   ///< the variable or channel it works on
    int samples = 0;  ///< smooth's n as written
    std::string hiddenName;
};

/// An expression ready to evaluate: muparser's text, in which each series call is replaced by a
/// hidden variable of the same length (so muparser's positions are the user's), and what it
/// reads.
struct Compiled {
    std::string text;
    std::vector<SeriesCall> calls;
    /// The names muparser reads, each once: variables, channels above, hidden names.
    std::vector<std::string> reads;
    /// Where each variable or channel is first used (for messages about it).
    QHash<QString, int> firstUse;
};

/// The compiled expression, or the problem that comes first in it.
struct Outcome {
    std::optional<Compiled> compiled;
    int position = -1;
    QString message;
};

/// Checks and compiles `expression` (at most kMaxExpressionLength characters, checked by the
/// caller) within `scope`.
Outcome compile(const QString& expression, const Scope& scope);

/// Evaluates row by row: `inputs[i]` is the series of `compiled.reads[i]`. A row where any
/// input is empty, or whose result is not finite, is empty.
Series evaluate(const Compiled& compiled, const std::vector<const Series*>& inputs,
                std::size_t rows);

/// The key under which a call's series can be shared between calls and channels.
QString seriesKey(const SeriesCall& call);

/// muparser's built-in function and constant names.
QStringList parserFunctionNames();
QStringList parserConstantNames();

/// "at character 5" (for position 4), or "at the end of the expression".
QString where(int position, int length);

}  // namespace tarvik::channel_expression
