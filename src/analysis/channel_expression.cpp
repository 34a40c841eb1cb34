#include "analysis/channel_expression.h"

#include <muParser.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/channel_scan.h"

namespace tarvik::channel_expression {

namespace {

constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();

// muparser's name characters plus the hidden names' mark, which no user text may hold (the
// scan refuses it), so a hidden name can never meet a name the user wrote.
constexpr char kNameChars[] = "0123456789_abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ$";

QString quoted(const QString& s) {
    return u'"' + s + u'"';
}

QString argumentCount(const mu::Parser& parser, const std::string& function) {
    const auto& defs = parser.GetFunDef();
    const auto it = defs.find(function);
    if (it == defs.end()) {
        return QString();
    }
    const int argc = it->second.GetArgc();
    if (argc < 0) {
        return QStringLiteral(": it takes at least %1").arg(-argc);
    }
    return argc == 1 ? QStringLiteral(": it takes 1 argument")
                     : QStringLiteral(": it takes %1 arguments").arg(argc);
}

// muparser's complaint, in the program's words: what it found, where, and what was expected.
void parserProblem(const mu::ParserError& e, const mu::Parser& parser, const QString& text,
                   Problems& problems) {
    const int length = static_cast<int>(text.size());
    int pos = std::clamp(e.GetPos(), -1, length);
    const QString token = QString::fromStdString(e.GetToken());
    // The token as the user wrote it (a hidden name stands for the series call it replaced).
    const QString found =
        pos >= 0 && pos < length ? text.mid(pos, std::max<int>(1, token.size())) : token;
    const auto at = [&] { return where(pos, length); };
    QString message;
    switch (e.GetCode()) {
        case mu::ecUNEXPECTED_OPERATOR:
            message = QStringLiteral(
                          "Unexpected %1 %2: a value, a name, a function or \"(\" was "
                          "expected.")
                          .arg(quoted(token), at());
            break;
        case mu::ecUNASSIGNABLE_TOKEN:
            message = QStringLiteral(
                          "Unexpected %1 %2: an operator (+ - * / ^ == != < <= > >= "
                          "&& || ? :), a value or a name was expected.")
                          .arg(quoted(found.left(1)), at());
            break;
        case mu::ecUNEXPECTED_EOF:
            pos = length;
            message = QStringLiteral(
                "The expression ends too soon: a value, a name or a function "
                "was expected at its end.");
            break;
        case mu::ecUNEXPECTED_ARG_SEP:
            message = QStringLiteral(
                          "Unexpected \",\" %1: a value, a name or a function was "
                          "expected before it.")
                          .arg(at());
            break;
        case mu::ecUNEXPECTED_VAL:
        case mu::ecUNEXPECTED_VAR:
        case mu::ecUNEXPECTED_FUN:
            message = QStringLiteral("Unexpected %1 %2: an operator was expected before it.")
                          .arg(quoted(found), at());
            break;
        case mu::ecUNEXPECTED_PARENS:
            message = token == QStringLiteral(")")
                          ? QStringLiteral(
                                "Unexpected \")\" %1: a value, a name or a function was "
                                "expected before it.")
                                .arg(at())
                          : QStringLiteral(
                                "Unexpected \"(\" %1: an operator was expected before "
                                "it.")
                                .arg(at());
            break;
        case mu::ecTOO_MANY_PARAMS:
            message = QStringLiteral("Too many arguments for %1 %2%3.")
                          .arg(quoted(token), at(), argumentCount(parser, e.GetToken()));
            break;
        case mu::ecTOO_FEW_PARAMS:
            message = QStringLiteral("Too few arguments for %1 %2%3.")
                          .arg(quoted(token), at(), argumentCount(parser, e.GetToken()));
            break;
        case mu::ecUNEXPECTED_CONDITIONAL:
            message = QStringLiteral("Unexpected \"?\" %1: a condition was expected before it.")
                          .arg(at());
            break;
        case mu::ecMISSING_ELSE_CLAUSE:
            pos = static_cast<int>(text.lastIndexOf(u'?'));
            message = QStringLiteral(
                          "The \"?\" %1 has no \":\" after it: write condition ? value "
                          ": other value.")
                          .arg(where(pos, length));
            break;
        case mu::ecMISPLACED_COLON:
            pos = static_cast<int>(text.lastIndexOf(u':', std::max(pos, 0)));  // muparser: after it
            message = QStringLiteral(
                          "Unexpected \":\" %1: a \":\" belongs after a \"?\", as in "
                          "condition ? value : other value.")
                          .arg(at());
            break;
        default: {
            QString said = QString::fromStdString(e.GetMsg()).trimmed();
            while (said.endsWith(u'.')) {
                said.chop(1);
            }
            message = QStringLiteral("The expression cannot be read %1: %2.").arg(at(), said);
            break;
        }
    }
    problems.report(pos < 0 ? length : pos, message);
}

// Where `word` first stands on its own in `text` (not as part of a longer name); -1 if nowhere.
int wholeWordAt(const QString& text, const QString& word) {
    const auto nameChar = [&](qsizetype i) {
        if (i < 0 || i >= text.size()) {
            return false;
        }
        const QChar c = text.at(i);
        return c.isLetterOrNumber() || c == u'_' || c == u'.';
    };
    for (qsizetype at = text.indexOf(word); at >= 0; at = text.indexOf(word, at + 1)) {
        if (!nameChar(at - 1) && !nameChar(at + word.size())) {
            return static_cast<int>(at);
        }
    }
    return -1;
}

mu::Parser makeParser() {
    mu::Parser p;
    p.DefineNameChars(kNameChars);
    return p;
}

}  // namespace

QString where(int position, int length) {
    if (position < 0 || position >= length) {
        return QStringLiteral("at the end of the expression");
    }
    return QStringLiteral("at character %1").arg(position + 1);
}

QStringList parserFunctionNames() {
    static const QStringList names = [] {
        QStringList out;
        const mu::Parser p;
        for (const auto& [name, callback] : p.GetFunDef()) {
            out << QString::fromStdString(name);
        }
        return out;
    }();
    return names;
}

QStringList parserConstantNames() {
    static const QStringList names = [] {
        QStringList out;
        const mu::Parser p;
        for (const auto& [name, value] : p.GetConst()) {
            out << QString::fromStdString(name);
        }
        return out;
    }();
    return names;
}

QString seriesKey(const SeriesCall& call) {
    return functionName(call.function) + u'|' + call.source + u'|' + QString::number(call.samples);
}

Outcome compile(const QString& expression, const Scope& scope) {
    Outcome outcome;
    Scan scan = scanExpression(expression, scope);
    Problems& problems = scan.problems;
    mu::Parser parser = makeParser();
    std::vector<std::string> reads;
    try {
        parser.SetExpr(scan.text);
        // Parses with unknown names allowed: the scan has judged every name already.
        for (const auto& [name, pointer] : parser.GetUsedVar()) {
            reads.push_back(name);
        }
    } catch (const mu::ParserError& e) {
        parserProblem(e, parser, expression, problems);
    }
    // What muparser took for a name but the scan did not: a number it could not read ("1e400"
    // is too large for it, "1e" lacks its exponent).
    for (const std::string& name : reads) {
        const QString n = QString::fromStdString(name);
        if (name.front() != kHiddenMark && !scan.firstUse.contains(n)) {
            const int pos = wholeWordAt(expression, n);
            problems.report(pos,
                            QStringLiteral("The number %1 %2 cannot be read: numbers are "
                                           "written as in 12, 0.5 or 1.5e3, within 1e308.")
                                .arg(quoted(n), where(pos, static_cast<int>(expression.size()))));
        }
    }
    if (problems.any()) {
        outcome.position = problems.position();
        outcome.message = problems.message();
        return outcome;
    }
    Compiled c;
    c.text = std::move(scan.text);
    c.calls = std::move(scan.calls);
    c.reads = std::move(reads);
    c.firstUse = std::move(scan.firstUse);
    outcome.compiled = std::move(c);
    return outcome;
}

Series evaluate(const Compiled& compiled, const std::vector<const Series*>& inputs,
                std::size_t rows) {
    Series out(rows, kEmpty);
    if (inputs.size() != compiled.reads.size()) {
        return out;
    }
    std::vector<double> bound(inputs.size(), 0.0);
    try {
        mu::Parser parser = makeParser();
        for (std::size_t i = 0; i < bound.size(); ++i) {
            parser.DefineVar(compiled.reads[i], &bound[i]);
        }
        parser.SetExpr(compiled.text);
        for (std::size_t row = 0; row < rows; ++row) {
            bool empty = false;
            for (std::size_t i = 0; i < bound.size(); ++i) {
                const Series& s = *inputs[i];
                bound[i] = row < s.size() ? s[row] : kEmpty;
                empty = empty || !std::isfinite(bound[i]);
            }
            if (!empty) {
                const double v = parser.Eval();
                out[row] = std::isfinite(v) ? v : kEmpty;
            }
        }
    } catch (const mu::ParserError&) {
        std::fill(out.begin(), out.end(), kEmpty);  // compiled once already: not expected
    }
    return out;
}

}  // namespace tarvik::channel_expression
