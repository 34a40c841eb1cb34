#include "library/pass_picture_delegate.h"

#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "library/library_entry.h"
#include "library/library_model.h"
#include "library/pass_picture.h"

namespace tarvik {

namespace {

// Pixmaps kept, in KB: a few thousand rows' pictures.
constexpr int kCacheKb = 16 * 1024;
const QColor kRpmColour(0xc0, 0x1c, 0x28);
const QColor kVssColour(0x1c, 0x5f, 0xc0);

QPainterPath trace(const std::vector<PicturePoint>& points, const QRectF& area, bool rpm) {
    float top = 0;
    for (const PicturePoint& p : points) {
        top = std::max(top, rpm ? p.rpm : p.kmh);
    }
    QPainterPath path;
    if (points.size() < 2 || !(top > 0)) {
        return path;
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        const float v = std::clamp(rpm ? points[i].rpm : points[i].kmh, 0.0F, top);
        const QPointF at(area.left() + area.width() * static_cast<qreal>(i) /
                                           static_cast<qreal>(points.size() - 1),
                         area.bottom() - area.height() * static_cast<qreal>(v / top));
        if (i == 0) {
            path.moveTo(at);
        } else {
            path.lineTo(at);
        }
    }
    return path;
}

}  // namespace

PassPictureDelegate::PassPictureDelegate(int pictureColumn, QObject* parent)
    : QStyledItemDelegate(parent), pictureColumn_(pictureColumn), cache_(kCacheKb) {}

QPixmap PassPictureDelegate::drawPicture(const QByteArray& bytes, QSize size, qreal pixelRatio,
                                         bool gone) {
    QPixmap pixmap(size * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    pixmap.fill(Qt::transparent);
    const std::vector<PicturePoint> points = decodePicture(bytes);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF area = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(2, 3, -2, -3);
    const QColor grey(0xa0, 0xa0, 0xa0);
    p.setPen(QPen(grey, 0.5));
    p.drawLine(area.bottomLeft(), area.bottomRight());
    p.setPen(QPen(gone ? grey : kVssColour, 1.4));
    p.drawPath(trace(points, area, false));
    p.setPen(QPen(gone ? grey : kRpmColour, 1.4));
    p.drawPath(trace(points, area, true));
    return pixmap;
}

void PassPictureDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    if (index.column() != pictureColumn_) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The cell's background and selection as any cell has them, then the picture over it.
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : nullptr;
    if (style != nullptr) {
        style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);
    }
    const QByteArray points = index.data(LibraryModel::PictureRole).toByteArray();
    const bool gone = index.data(LibraryModel::GoneRole).toBool();
    const QSize size = option.rect.size();
    const qreal ratio = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1;
    const QString key = QStringLiteral("%1:%2x%3:%4:%5:%6")
                            .arg(index.data(LibraryModel::IdRole).toLongLong())
                            .arg(size.width())
                            .arg(size.height())
                            .arg(gone)
                            .arg(ratio)
                            .arg(qHash(points));
    QPixmap* pixmap = cache_.object(key);
    if (pixmap == nullptr) {
        pixmap = new QPixmap(drawPicture(points, size, ratio, gone));
        const int kb = std::max<qsizetype>(1, pixmap->width() * pixmap->height() * 4 / 1024);
        if (!cache_.insert(key, pixmap, kb)) {
            return;  // larger than the whole cache: not drawn (cannot happen at row sizes)
        }
    }
    painter->drawPixmap(option.rect.topLeft(), *pixmap);
}

void PassPictureDelegate::initStyleOption(QStyleOptionViewItem* option,
                                          const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(LibraryModel::GoneRole).toBool()) {
        option->palette.setColor(QPalette::Text,
                                 option->palette.color(QPalette::Disabled, QPalette::Text));
        option->palette.setColor(QPalette::HighlightedText,
                                 option->palette.color(QPalette::Disabled, QPalette::Text));
    }
}

QWidget* PassPictureDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    // A line edit takes 32767 characters unless told otherwise; Notes may be longer, and an
    // edit must never cut them short.
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        line->setMaxLength(kMaxUserText);
    }
    return editor;
}

}  // namespace tarvik
