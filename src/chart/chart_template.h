#pragma once

#include <QColor>
#include <QFont>
#include <QMarginsF>
#include <QPointF>
#include <QString>
#include <array>
#include <optional>

namespace tarvik {

/// The chart's design as the template file "Tarvik_Chart.oc2" holds it. The file is plain text
/// (its own comment block describes the format); parse() accepts only a complete, well-formed
/// file, so a damaged template is refused whole instead of being half applied.
struct ChartTemplate {
    struct Axis {
        QString title;
        QFont titleFont;
        QColor titleColor;
        QFont labelFont;
        QColor labelColor;
        QColor lineColor;
    };
    struct Group {
        QColor color;
        qreal lineWidth = 2;
    };
    /// Which point of a label's box sits at its position.
    enum class Anchor { West, East, Center, NorthWest, NorthEast, SouthWest, SouthEast };
    struct Label {
        QString text;
        QPointF position;  ///< plot-area pixels from the plot's top left corner
        QPointF offset;    ///< added to the position when drawing
        Anchor anchor = Anchor::West;
        QFont font;
        QColor color;
        QColor background;
        QColor border;
    };

    QColor background;
    QColor plotBackground;
    QColor gridColor;
    QColor minorGridColor;
    QMarginsF margins;  ///< around the plot area: left, top, right, bottom
    QFont legendFont;
    QFont headerFont;
    QColor headerColor;
    bool legendShown = true;
    std::array<Axis, 3> axes;  ///< X, Y, Y2
    std::array<Group, 2> groups;
    std::array<Label, 3> labels;
    QColor markerColor;
    qreal markerWidth = 2;
    Qt::PenStyle markerStyle = Qt::SolidLine;

    /// The first line of content every template starts with.
    static const QString kSignature;

    /// The template in the text, or nullopt (with the reason in *error) when the text is not a
    /// complete template: no signature, an unknown section or key, a value that does not read,
    /// or a key missing.
    static std::optional<ChartTemplate> parse(const QString& text, QString* error = nullptr);
    /// parse() of a regular file of at most 256 KB; nullopt when it is not one or cannot be
    /// read. *error then says why in a sentence naming the file and, for a damaged template,
    /// the line ("Chart template file Tarvik_Chart.oc2 is damaged (line 2: ...)."); it is
    /// empty when there is no file at the path.
    static std::optional<ChartTemplate> load(const QString& path, QString* error = nullptr);
};

}  // namespace tarvik
