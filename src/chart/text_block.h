#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <vector>

class QPaintDevice;
class QPainter;

namespace tarvik {

/// One row of text for a picture or a printed page: pieces meant for the left edge, the middle
/// and the right edge of one line, in one font, each in its own colour.
struct TextRow {
    struct Piece {
        QString text;
        QColor color = Qt::black;
        Qt::Alignment align = Qt::AlignLeft;  ///< AlignLeft, AlignHCenter or AlignRight
    };
    QFont font;
    std::vector<Piece> pieces;
};

/// A text where layOutText put it, its box relative to the block's top left corner: as wide as
/// the text's advance, as tall as the font's line.
struct PlacedText {
    QString text;
    QColor color;
    QFont font;
    QRectF box;
    qreal baseline = 0;  ///< from the block's top
};

struct TextBlock {
    std::vector<PlacedText> texts;
    qreal height = 0;
};

/// Lays rows of text out top to bottom in a band `width` wide, measured as they will be drawn
/// on `device` (the screen when null), so that no two texts ever overlap. Each row's pieces
/// stand as the window shows them (left, centred, right) on one line when they fit there with
/// a clear gap between them; otherwise the row takes further lines, each piece going to the next
/// line it fits on, in order, and a piece wider than the band breaks between words. Empty pieces
/// take no room; an empty row takes none either. The one place where the read-outs of pictures
/// and printed pages are placed.
TextBlock layOutText(const std::vector<TextRow>& rows, qreal width,
                     const QPaintDevice* device = nullptr);

/// Draws the texts of a block with its top left corner at `origin`.
void drawTextBlock(QPainter& painter, const TextBlock& block, QPointF origin);

}  // namespace tarvik
