#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <optional>

#include "chart/zoom_window.h"

class QGraphicsRectItem;
class QMouseEvent;
class QWheelEvent;

namespace tarvik {

class FrmChart1;

/// Zoom and pan of the chart window: the mouse wheel zooms about the pointer (Shift+wheel
/// pans), a Ctrl+left drag draws a box to zoom into, a middle-button drag pans, the arrow keys
/// pan (left, right) and zoom (up, down) while the chart has the focus; "Back" returns to the
/// window before the last zoom or pan. A zoomed window checks none of the time scales and
/// the scroll bar follows its centre. Every change of window clears the read-outs, as the
/// scroll bar does.
class ChartNavigation : public QObject {
    Q_OBJECT

public:
    /// A Ctrl+left drag shorter than this (pixels) is a click that places the marker.
    static constexpr int kBoxThreshold = 4;
    /// One wheel notch zooms in to this fraction of the width (out by its inverse).
    static constexpr double kWheelFactor = 0.8;
    /// "+" and "-" halve and double the width.
    static constexpr double kKeyFactor = 0.5;
    /// A pan step (arrow key, Shift+wheel notch) as a share of the width.
    static constexpr double kPanStep = 0.1;

    explicit ChartNavigation(FrmChart1& window);

    /// What a change of window came from: the steps of one wheel turn or one drag are undone
    /// by a single "Back".
    enum class Gesture { Single, Wheel, WheelPan, Drag };

    bool zoomed() const { return zoomed_; }
    ViewWindow shown() const;
    LogExtent extent() const;
    bool canGoBack() const { return !history_.empty(); }

    void zoomIn();
    void zoomOut();
    void zoomAt(double anchor, double factor, Gesture gesture = Gesture::Single);
    /// Pans by a share of the shown width (negative: earlier).
    void pan(double share, Gesture gesture = Gesture::Single);
    void wholeLog();
    /// False when there is nothing to go back to.
    bool back();
    /// Shows a window (held inside the log), remembering the one it replaces.
    void show(ViewWindow w, Gesture gesture = Gesture::Single);

    /// A time scale was chosen: the window is the scale's again, and so is the scroll range.
    void scaleChosen();
    /// The scroll bar moved to `position`; true when a zoomed window was moved there.
    bool scrolledTo(int position);

signals:
    void historyChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ViewState currentState() const;
    void remember(Gesture gesture);
    void apply(const ViewWindow& w);
    void checkScale(int index);
    void scaleRange();
    void followWithScrollBar(double centre);
    double timeAtPixel(QPointF p) const;
    bool keyPressed(int key);
    bool wheelTurned(const QWheelEvent& w);
    bool dragStarted(const QMouseEvent& m);
    bool dragMoved(const QMouseEvent& m);
    bool dragEnded(const QMouseEvent& m);

    FrmChart1& window_;
    const QObject* chartObject_ = nullptr;  // identity only, see eventFilter()
    const QObject* viewportObject_ = nullptr;
    ZoomHistory history_;
    bool zoomed_ = false;
    Gesture lastGesture_ = Gesture::Single;
    QElapsedTimer lastChange_;

    enum class Drag { None, Pan, Box };
    Drag drag_ = Drag::None;
    QPointF dragFrom_;
    ViewWindow dragWindow_;
    bool dragMoved_ = false;
    QGraphicsRectItem* box_ = nullptr;
};

}  // namespace tarvik
