#include "chart/text_block.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

namespace tarvik {

namespace {

struct Part {
    QString text;
    QColor color;
    Qt::Alignment align;
    qreal width = 0;
};

qreal xFor(const Part& p, qreal width) {
    if (p.align & Qt::AlignRight) {
        return width - p.width;
    }
    if (p.align & Qt::AlignHCenter) {
        return (width - p.width) / 2;
    }
    return 0;
}

// Whether the parts stand on one line each where its alignment puts it, with `gap` between
// neighbours and inside the band.
bool fitOnOneLine(std::vector<Part> parts, qreal width, qreal gap) {
    std::sort(parts.begin(), parts.end(),
              [width](const Part& a, const Part& b) { return xFor(a, width) < xFor(b, width); });
    qreal reached = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const qreal x = xFor(parts[i], width);
        if (x < 0 || x + parts[i].width > width + 1e-6 || (i > 0 && x < reached + gap)) {
            return false;
        }
        reached = x + parts[i].width;
    }
    return true;
}

// The text cut into lines no wider than `width`. A line breaks where the text leaves the most
// room between words (the read-outs set their groups apart with runs of spaces), the last such
// place that fits; a word longer than the line is cut where the line ends.
QStringList wrapped(const QString& text, qreal width, const QFontMetricsF& fm) {
    QStringList lines;
    QString rest = text.trimmed();
    while (!rest.isEmpty()) {
        if (fm.horizontalAdvance(rest) <= width) {
            lines << rest;
            break;
        }
        qsizetype cut = 0;
        qsizetype widest = 0;
        for (qsizetype i = 1; i < rest.size(); ++i) {
            if (rest[i] != u' ' || rest[i - 1] == u' ') {
                continue;
            }
            if (fm.horizontalAdvance(rest.left(i)) > width) {
                break;
            }
            qsizetype run = 1;
            while (i + run < rest.size() && rest[i + run] == u' ') {
                ++run;
            }
            if (run >= widest) {
                widest = run;
                cut = i;
            }
        }
        if (cut == 0) {
            cut = 1;
            while (cut < rest.size() && fm.horizontalAdvance(rest.left(cut + 1)) <= width) {
                ++cut;
            }
        }
        lines << rest.left(cut).trimmed();
        rest = rest.mid(cut).trimmed();
    }
    return lines;
}

}  // namespace

TextBlock layOutText(const std::vector<TextRow>& rows, qreal width, const QPaintDevice* device) {
    TextBlock block;
    // QFontMetricsF needs a device it may ask, not a const one; it only reads its resolution.
    auto* measured = const_cast<QPaintDevice*>(device);
    for (const TextRow& row : rows) {
        const QFontMetricsF fm =
            measured != nullptr ? QFontMetricsF(row.font, measured) : QFontMetricsF(row.font);
        const qreal gap = fm.height();
        const qreal lineHeight = fm.lineSpacing() * 1.2;
        std::vector<std::vector<Part>> lines;
        std::vector<Part> line;
        auto endLine = [&] {
            if (!line.empty()) {
                lines.push_back(std::move(line));
                line.clear();
            }
        };
        for (const TextRow::Piece& piece : row.pieces) {
            if (piece.text.trimmed().isEmpty()) {
                continue;
            }
            const QString text = piece.text.trimmed();
            Part part{text, piece.color, piece.align, fm.horizontalAdvance(text)};
            if (part.width > width) {
                endLine();
                for (const QString& l : wrapped(text, width, fm)) {
                    lines.push_back({Part{l, piece.color, piece.align, fm.horizontalAdvance(l)}});
                }
                continue;
            }
            std::vector<Part> tried = line;
            tried.push_back(part);
            if (!fitOnOneLine(tried, width, gap)) {
                endLine();
                tried = {part};
            }
            line = std::move(tried);
        }
        endLine();
        for (const std::vector<Part>& parts : lines) {
            for (const Part& p : parts) {
                const QRectF box(xFor(p, width), block.height, p.width, fm.height());
                block.texts.push_back({p.text, p.color, row.font, box, block.height + fm.ascent()});
            }
            block.height += lineHeight;
        }
    }
    return block;
}

void drawTextBlock(QPainter& p, const TextBlock& block, QPointF origin) {
    p.save();
    for (const PlacedText& t : block.texts) {
        p.setFont(t.font);
        p.setPen(t.color);
        p.drawText(QPointF(origin.x() + t.box.left(), origin.y() + t.baseline), t.text);
    }
    p.restore();
}

}  // namespace tarvik
