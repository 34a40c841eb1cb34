#pragma once

#include <QCache>
#include <QPixmap>
#include <QStyledItemDelegate>

namespace tarvik {

/// Paints the library's rows: the small picture of each pass (engine speed in red, road speed in
/// blue, each to its own height) from the points the library keeps, drawn once into a pixmap
/// and then only copied, and every cell of a row whose file has gone in grey.
class PassPictureDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit PassPictureDelegate(int pictureColumn, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;

    /// A picture as the row shows it, `size` device-independent pixels (for tests and the
    /// screenshots).
    static QPixmap drawPicture(const QByteArray& points, QSize size, qreal pixelRatio, bool gone);

    /// Pictures drawn so far and kept.
    int cachedPictures() const { return cache_.count(); }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    int pictureColumn_;
    mutable QCache<QString, QPixmap> cache_;
};

}  // namespace tarvik
