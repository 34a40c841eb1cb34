#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "library/library_entry.h"

namespace tarvik {

/// A number the filter can compare: a figure, the launches, the copies of the same content.
enum class FilterNumber { Figure, Launches, Copies };

/// The filter box's text, taken apart: words and "quoted phrases" that must each appear in one
/// of the row's text columns (any case), and conditions on numbers such as `60ft<2.1`,
/// `1/4<=11.5`, `rpm>7000`, `mph>=150`, `0-60<4`, `launches>1`, `copies>1`. A row must meet
/// every term. A condition on a figure the row does not have is not met.
class LibraryFilter {
public:
    enum class Op { Less, LessOrEqual, Greater, GreaterOrEqual, Equal };
    struct Condition {
        FilterNumber number = FilterNumber::Figure;
        Figure figure = Figure::Ft60;
        Op op = Op::Less;
        double value = 0;
    };

    LibraryFilter() = default;
    explicit LibraryFilter(const QString& text);

    bool isEmpty() const { return words_.isEmpty() && conditions_.empty(); }
    /// What a row offers the filter: its text columns joined and lower-cased, its figures as
    /// shown (rounded as the report rounds them), its launches and the number of files with
    /// its content.
    struct Row {
        const QString& haystack;
        const std::array<std::optional<double>, kFigureCount>& figures;
        int launches = 0;
        int copies = 1;
    };
    bool accepts(const Row& row) const;

    const QStringList& words() const { return words_; }
    const std::vector<Condition>& conditions() const { return conditions_; }

private:
    void addTerm(const QString& term);

    QStringList words_;
    std::vector<Condition> conditions_;
};

}  // namespace tarvik
