#include "library/library_filter.h"

#include <QHash>
#include <QRegularExpression>

namespace tarvik {

namespace {

struct NumberName {
    FilterNumber number;
    Figure figure;
};

// What a condition's name stands for, written without blanks and in lower case.
std::optional<NumberName> numberNamed(const QString& name) {
    static const QHash<QString, NumberName> names{
        {QStringLiteral("60ft"), {FilterNumber::Figure, Figure::Ft60}},
        {QStringLiteral("60'"), {FilterNumber::Figure, Figure::Ft60}},
        {QStringLiteral("1/8"), {FilterNumber::Figure, Figure::EighthMile}},
        {QStringLiteral("1/8mile"), {FilterNumber::Figure, Figure::EighthMile}},
        {QStringLiteral("eighth"), {FilterNumber::Figure, Figure::EighthMile}},
        {QStringLiteral("1/4"), {FilterNumber::Figure, Figure::QuarterMile}},
        {QStringLiteral("1/4mile"), {FilterNumber::Figure, Figure::QuarterMile}},
        {QStringLiteral("quarter"), {FilterNumber::Figure, Figure::QuarterMile}},
        {QStringLiteral("0-60"), {FilterNumber::Figure, Figure::ZeroToSixty}},
        {QStringLiteral("0-60mph"), {FilterNumber::Figure, Figure::ZeroToSixty}},
        {QStringLiteral("rpm"), {FilterNumber::Figure, Figure::PeakRpm}},
        {QStringLiteral("peakrpm"), {FilterNumber::Figure, Figure::PeakRpm}},
        {QStringLiteral("mph"), {FilterNumber::Figure, Figure::PeakMph}},
        {QStringLiteral("peakmph"), {FilterNumber::Figure, Figure::PeakMph}},
        {QStringLiteral("launches"), {FilterNumber::Launches, Figure::Ft60}},
        {QStringLiteral("copies"), {FilterNumber::Copies, Figure::Ft60}},
    };
    const auto it = names.constFind(name);
    if (it == names.constEnd()) {
        return std::nullopt;
    }
    return *it;
}

bool compare(double a, LibraryFilter::Op op, double b) {
    switch (op) {
        case LibraryFilter::Op::Less:
            return a < b;
        case LibraryFilter::Op::LessOrEqual:
            return a <= b;
        case LibraryFilter::Op::Greater:
            return a > b;
        case LibraryFilter::Op::GreaterOrEqual:
            return a >= b;
        case LibraryFilter::Op::Equal:
            break;
    }
    return a == b;
}

}  // namespace

LibraryFilter::LibraryFilter(const QString& text) {
    // Words, or phrases in double quotes (a quote left open runs to the end).
    static const QRegularExpression terms(QStringLiteral("\"([^\"]*)\"?|(\\S+)"));
    auto it = terms.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedStart(1) >= 0) {
            const QString phrase = m.captured(1).toLower();
            if (!phrase.isEmpty()) {
                words_ << phrase;
            }
        } else {
            addTerm(m.captured(2));
        }
    }
}

void LibraryFilter::addTerm(const QString& term) {
    static const QRegularExpression condition(
        QStringLiteral("^(.+?)(<=|>=|<|>|=)([-+]?(?:\\d+\\.?\\d*|\\.\\d+))$"));
    const QRegularExpressionMatch m = condition.match(term);
    if (m.hasMatch()) {
        if (const std::optional<NumberName> name = numberNamed(m.captured(1).toLower())) {
            static const QHash<QString, Op> ops{{QStringLiteral("<"), Op::Less},
                                                {QStringLiteral("<="), Op::LessOrEqual},
                                                {QStringLiteral(">"), Op::Greater},
                                                {QStringLiteral(">="), Op::GreaterOrEqual},
                                                {QStringLiteral("="), Op::Equal}};
            conditions_.push_back(
                {name->number, name->figure, ops.value(m.captured(2)), m.captured(3).toDouble()});
            return;
        }
    }
    words_ << term.toLower();
}

bool LibraryFilter::accepts(const Row& row) const {
    for (const QString& word : words_) {
        if (!row.haystack.contains(word)) {
            return false;
        }
    }
    for (const Condition& c : conditions_) {
        std::optional<double> value;
        switch (c.number) {
            case FilterNumber::Figure:
                value = row.figures[static_cast<std::size_t>(c.figure)];
                break;
            case FilterNumber::Launches:
                value = row.launches;
                break;
            case FilterNumber::Copies:
                value = row.copies;
                break;
        }
        if (!value || !compare(*value, c.op, c.value)) {
            return false;
        }
    }
    return true;
}

}  // namespace tarvik
