#include "analysis/channel_scan.h"

#include <QRegularExpression>
#include <algorithm>

namespace tarvik::channel_expression {

namespace {

bool isNameStart(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}
bool isNameChar(QChar c) {
    return isNameStart(c) || (c >= u'0' && c <= u'9');
}
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
bool isSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}
bool isOperatorChar(QChar c) {
    return QStringView(u"+-*/^<>=!&|?:(),.").contains(c);
}

QString quoted(const QString& s) {
    return u'"' + s + u'"';
}

// A character as a message shows it: itself, or its code when it cannot be seen.
QString shown(QChar c) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
        return QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    }
    return quoted(QString(c));
}

class Scanner {
public:
    Scanner(const QString& text, const Scope& scope)
        // One byte per character (others become "?", refused by the scan anyway), so muparser's
        // positions are the user's.
        : text_(text), scope_(scope), out_(text.toLatin1().toStdString()) {}

    void run();
    Problems& problems() { return problems_; }
    std::string& out() { return out_; }
    std::vector<SeriesCall>& calls() { return calls_; }
    QHash<QString, int>& firstUse() { return firstUse_; }

private:
    struct Open {
        int position;
        bool call;
    };

    int length() const { return static_cast<int>(text_.size()); }
    QChar at(int i) const { return i >= 0 && i < length() ? text_.at(i) : QChar(); }
    int skipSpaces(int i) const {
        while (i < length() && isSpace(at(i))) {
            ++i;
        }
        return i;
    }
    int skipNumber(int i) const;
    int wordEnd(int i) const {
        while (i < length() && isNameChar(at(i))) {
            ++i;
        }
        return i;
    }
    int seriesCall(int start, int paren, SeriesFunction f);
    bool seriesSource(SeriesFunction f, int from, int to, QString& name);
    bool sampleCount(int from, int to, int& n);
    void name(const QString& word, int start, bool call);
    bool usable(const QString& word, int start);
    void hide(int from, int to);

    const QString& text_;
    const Scope& scope_;
    std::string out_;
    Problems problems_;
    std::vector<SeriesCall> calls_;
    QHash<QString, int> firstUse_;
    std::vector<Open> open_;
    int hidden_ = 0;
};

void Scanner::run() {
    bool nextParenIsCall = false;
    int i = 0;
    while (i < length()) {
        const QChar c = at(i);
        if (isSpace(c)) {
            ++i;
        } else if (isDigit(c) || (c == u'.' && isDigit(at(i + 1)))) {
            i = skipNumber(i);
        } else if (isNameStart(c)) {
            const int end = wordEnd(i);
            const QString word = text_.mid(i, end - i);
            const bool call = at(end) == u'(';
            const qsizetype series = seriesFunctions().indexOf(word);
            if (call && series >= 0) {
                i = seriesCall(i, end, static_cast<SeriesFunction>(series));
                continue;
            }
            name(word, i, call);
            nextParenIsCall = call;
            i = end;
        } else if (c == u'(') {
            open_.push_back({i, nextParenIsCall});
            nextParenIsCall = false;
            ++i;
        } else if (c == u')') {
            if (open_.empty()) {
                problems_.report(i, QStringLiteral("Unexpected \")\" %1: there is no \"(\" for it "
                                                   "to close.")
                                        .arg(where(i, length())));
            } else {
                open_.pop_back();
            }
            ++i;
        } else if (c == u',') {
            if (open_.empty() || !open_.back().call) {
                problems_.report(i, QStringLiteral("Unexpected \",\" %1: a comma only separates "
                                                   "the arguments of a function.")
                                        .arg(where(i, length())));
            }
            ++i;
        } else if (c == u'=' || c == u'<' || c == u'>' || c == u'!') {
            if (at(i + 1) == u'=') {
                i += 2;
                continue;
            }
            if (c == u'=') {
                // muparser would take a single "=" as an assignment to the variable before it.
                problems_.report(i, QStringLiteral("Unexpected \"=\" %1: \"==\" compares two "
                                                   "values.")
                                        .arg(where(i, length())));
            }
            ++i;
        } else if (isOperatorChar(c)) {
            ++i;
        } else {
            problems_.report(
                i, QStringLiteral("Unexpected character %1 %2.").arg(shown(c), where(i, length())));
            ++i;
        }
    }
    for (const Open& o : open_) {
        problems_.report(o.position, QStringLiteral("The \"(\" %1 is not closed: \")\" expected.")
                                         .arg(where(o.position, length())));
    }
}

// A number as muparser reads one: digits, a decimal point, digits, an exponent.
int Scanner::skipNumber(int i) const {
    while (isDigit(at(i))) {
        ++i;
    }
    if (at(i) == u'.') {
        ++i;
        while (isDigit(at(i))) {
            ++i;
        }
    }
    if (at(i) == u'e' || at(i) == u'E') {
        int j = i + 1;
        if (at(j) == u'+' || at(j) == u'-') {
            ++j;
        }
        if (isDigit(at(j))) {
            i = j;
            while (isDigit(at(i))) {
                ++i;
            }
        }
    }
    return i;
}

// A name outside a series call.
void Scanner::name(const QString& word, int start, bool call) {
    const QString at = where(start, length());
    const bool function = seriesFunctions().contains(word) || parserFunctionNames().contains(word);
    if (call) {
        if (!function && !scope_.above.contains(word) && word != scope_.self &&
            !scope_.below.contains(word) && !channelVariables().contains(word) &&
            !parserConstantNames().contains(word)) {
            problems_.report(start,
                             QStringLiteral("Unknown function %1 %2.").arg(quoted(word), at));
        }
        return;  // muparser checks the arguments, and a "(" after a value
    }
    if (function) {
        problems_.report(start, QStringLiteral("\"(\" expected right after the function name %1 "
                                               "%2.")
                                    .arg(quoted(word), at));
        return;
    }
    if (!parserConstantNames().contains(word)) {
        usable(word, start);
    }
}

// Whether a variable or channel name may be used here; says why not when it may not.
bool Scanner::usable(const QString& word, int start) {
    const QString at = where(start, length());
    if (channelVariables().contains(word) || scope_.above.contains(word)) {
        firstUse_.insert(word, std::min(firstUse_.value(word, start), start));
        return true;
    }
    if (word == scope_.self) {
        problems_.report(
            start, QStringLiteral("The channel cannot use itself (%1 %2).").arg(quoted(word), at));
    } else if (scope_.below.contains(word)) {
        problems_.report(start, QStringLiteral("The channel %1 %2 comes below this one: a channel "
                                               "can use only the channels above it.")
                                    .arg(quoted(word), at));
    } else {
        problems_.report(start, QStringLiteral("Unknown variable %1 %2.").arg(quoted(word), at));
    }
    return false;
}

// ddt(x), integ(x), smooth(x, n): checked here, and replaced by a hidden name whatever their
// fault, so that muparser's complaint about the call's inside cannot come first.
int Scanner::seriesCall(int start, int paren, SeriesFunction f) {
    int depth = 0;
    int close = -1;
    std::vector<int> commas;
    for (int j = paren; j < length() && close < 0; ++j) {
        if (at(j) == u'(') {
            ++depth;
        } else if (at(j) == u')' && --depth == 0) {
            close = j;
        } else if (at(j) == u',' && depth == 1) {
            commas.push_back(j);
        }
    }
    const QString fn = quoted(functionName(f));
    if (close < 0) {
        problems_.report(paren, QStringLiteral("The \"(\" %1 is not closed: \")\" expected.")
                                    .arg(where(paren, length())));
        hide(start, length() - 1);
        return length();
    }
    hide(start, close);
    const std::size_t wanted = f == SeriesFunction::Smooth ? 1 : 0;
    if (commas.size() > wanted) {
        const int extra = commas[wanted];
        const QString usage =
            f == SeriesFunction::Smooth
                ? QStringLiteral("a name and a sample count, as in smooth(rpm, 5)")
                : QStringLiteral("one name, as in %1(rpm)").arg(functionName(f));
        problems_.report(extra, QStringLiteral("\")\" expected %1: %2 takes %3.")
                                    .arg(where(extra, length()), fn, usage));
        return close + 1;
    }
    if (commas.size() < wanted) {
        problems_.report(close, QStringLiteral("\",\" expected %1: smooth takes a name and a "
                                               "sample count, as in smooth(rpm, 5).")
                                    .arg(where(close, length())));
        return close + 1;
    }
    SeriesCall call;
    call.function = f;
    const int sourceEnd = commas.empty() ? close : commas.front();
    bool sound = seriesSource(f, paren + 1, sourceEnd, call.source);
    if (f == SeriesFunction::Smooth) {
        sound = sampleCount(commas.front() + 1, close, call.samples) && sound;
    }
    if (sound) {
        call.hiddenName = out_.substr(static_cast<std::size_t>(start),
                                      static_cast<std::size_t>(close - start + 1));
        calls_.push_back(call);
    }
    return close + 1;
}

// The first argument of a series call: one name, of a variable or a channel above.
bool Scanner::seriesSource(SeriesFunction f, int from, int to, QString& name) {
    const int begin = skipSpaces(from);
    int end = to;
    while (end > begin && isSpace(at(end - 1))) {
        --end;
    }
    const QString arg = text_.mid(begin, end - begin);
    const bool plainName = !arg.isEmpty() && isNameStart(arg.front()) &&
                           std::all_of(arg.begin(), arg.end(), isNameChar);
    const bool named = plainName && !seriesFunctions().contains(arg) &&
                       !parserFunctionNames().contains(arg) && !parserConstantNames().contains(arg);
    if (!named) {
        problems_.report(begin, QStringLiteral("A variable or channel name expected %1: %2 works "
                                               "on a variable or a channel above this one, not on "
                                               "an expression.")
                                    .arg(where(begin, length()), quoted(functionName(f))));
        return false;
    }
    name = arg;
    return usable(arg, begin);
}

// smooth's n: a whole number from 1 to kMaxSmoothSamples, written as a number.
bool Scanner::sampleCount(int from, int to, int& n) {
    const int begin = skipSpaces(from);
    int end = to;
    while (end > begin && isSpace(at(end - 1))) {
        --end;
    }
    const QString arg = text_.mid(begin, end - begin);
    static const QRegularExpression number(QStringLiteral("^([0-9]+)(\\.0*)?$"));
    const QRegularExpressionMatch m = number.match(arg);
    bool ok = false;
    const qlonglong value =
        m.hasMatch() && m.captured(1).size() <= 6 ? m.captured(1).toLongLong(&ok) : 0;
    if (!ok || value < 1 || value > kMaxSmoothSamples) {
        problems_.report(begin, QStringLiteral("The sample count %1 must be a whole number from 1 "
                                               "to %2, as in smooth(rpm, 5).")
                                    .arg(where(begin, length()))
                                    .arg(kMaxSmoothSamples));
        return false;
    }
    n = static_cast<int>(value);
    return true;
}

// Replaces text[from..to] by a hidden name of the same length: '$', the call's number, '$'s.
void Scanner::hide(int from, int to) {
    std::string name = kHiddenMark + std::to_string(++hidden_);
    name.resize(static_cast<std::size_t>(to - from + 1), kHiddenMark);
    out_.replace(static_cast<std::size_t>(from), name.size(), name);
}

}  // namespace

QString functionName(SeriesFunction f) {
    return seriesFunctions().at(static_cast<int>(f));
}

Scan scanExpression(const QString& expression, const Scope& scope) {
    Scanner scanner(expression, scope);
    scanner.run();
    return Scan{std::move(scanner.out()), std::move(scanner.calls()), std::move(scanner.firstUse()),
                scanner.problems()};
}

}  // namespace tarvik::channel_expression
