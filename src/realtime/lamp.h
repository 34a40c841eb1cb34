#pragma once

#include <QColor>
#include <QWidget>

namespace tarvik {

/// A small round indicator lamp. It shows its fill colour; any colour other than black is drawn
/// glowing, black as an unlit lens.
class Lamp : public QWidget {
    Q_OBJECT

public:
    /// The colours the panel drives the lamps with.
    static QColor litColor() { return QColor(255, 0, 0); }
    static QColor darkColor() { return QColor(0, 0, 0); }

    explicit Lamp(QWidget* parent = nullptr);

    void setFillColor(const QColor& color);
    QColor fillColor() const { return fillColor_; }
    /// Whether the lamp shows anything but black.
    bool isLit() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fillColor_ = darkColor();
};

}  // namespace tarvik
