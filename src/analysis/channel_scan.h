#pragma once

#include <QHash>
#include <QString>
#include <string>
#include <vector>

#include "analysis/channel_expression.h"

namespace tarvik::channel_expression {

/// The hidden names of series calls are made of this character, which no user text may hold.
inline constexpr char kHiddenMark = '$';

/// The first problem of an expression: the one at the lowest position; of two at the same
/// position, the one found first.
class Problems {
public:
    void report(int position, const QString& message) {
        if (message_.isEmpty() || position < position_) {
            position_ = position;
            message_ = message;
        }
    }
    bool any() const { return !message_.isEmpty(); }
    int position() const { return position_; }
    const QString& message() const { return message_; }

private:
    int position_ = -1;
    QString message_;
};

/// The user's text as muparser will read it, with what the walk through it found.
struct Scan {
    std::string text;  ///< series calls replaced by hidden names of the same length
    std::vector<SeriesCall> calls;
    QHash<QString, int> firstUse;
    Problems problems;
};

/// Walks the user's text before muparser sees it: refuses characters muparser would misread or
/// that could reach the hidden names, matches parentheses, finds the series calls (which take a
/// name, not an expression) and tells apart the names: variables, channels above, itself,
/// channels below, functions and unknown names.
Scan scanExpression(const QString& expression, const Scope& scope);

/// "ddt", "integ", "smooth".
QString functionName(SeriesFunction f);

}  // namespace tarvik::channel_expression
