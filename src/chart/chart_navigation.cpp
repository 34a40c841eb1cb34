#include "chart/chart_navigation.h"

#include <QButtonGroup>
#include <QGraphicsRectItem>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "chart/chart_control.h"
#include "chart/frm_chart1.h"
#include "chart/time_window.h"
#include "common/rounding.h"

namespace tarvik {

namespace {

// Steps of one wheel turn closer together than this are one gesture for "Back".
constexpr qint64 kGestureGapMs = 700;

}  // namespace

ChartNavigation::ChartNavigation(FrmChart1& window) : QObject(&window), window_(window) {
    ChartControl& c = window_.chart();
    chartObject_ = &c;
    viewportObject_ = c.viewport();
    c.viewport()->installEventFilter(this);
    c.installEventFilter(this);
    c.setFocusPolicy(Qt::StrongFocus);
    box_ = new QGraphicsRectItem(c.chart());
    box_->setPen(QPen(QColor(0x1f, 0x5f, 0xb4), 1, Qt::DashLine));
    box_->setBrush(QColor(0x1f, 0x5f, 0xb4, 0x30));
    box_->setZValue(30);
    box_->setVisible(false);
}

ViewWindow ChartNavigation::shown() const {
    const ChartControl::Range r = window_.chart().axisRange(ChartAxis::X);
    return {r.low, r.high};
}

LogExtent ChartNavigation::extent() const {
    return logExtent(window_.services_.data, window_.totalSpan_, window_.spanStart_);
}

ViewState ChartNavigation::currentState() const {
    ViewState s;
    s.window = shown();
    s.scale = -1;
    if (!zoomed_) {
        for (std::size_t i = 0; i < window_.optTimeScale_.size(); ++i) {
            if (window_.optTimeScale_[i]->isChecked()) {
                s.scale = static_cast<int>(i);
            }
        }
    }
    s.scaleWidth = window_.windowWidth_;
    return s;
}

void ChartNavigation::remember(Gesture gesture) {
    const bool sameGesture = gesture != Gesture::Single && gesture == lastGesture_ &&
                             lastChange_.isValid() && lastChange_.elapsed() < kGestureGapMs;
    if (!sameGesture) {
        history_.push(currentState());
        emit historyChanged();
    }
    lastGesture_ = gesture;
    lastChange_.start();
}

void ChartNavigation::show(ViewWindow w, Gesture gesture) {
    remember(gesture);
    zoomed_ = true;
    checkScale(-1);
    const LogExtent e = extent();
    const ViewWindow held = holdInside(w, e);
    // The scroll bar runs over the centres the window can have, and its thumb is as long as
    // the window: it shows how much of the log is in view (all of it for the whole log).
    QScrollBar* bar = window_.scrChart2D1_;
    const ScrollSpan span = zoomedScrollSpan(held, e);
    {
        const QSignalBlocker quiet(bar);
        bar->setRange(span.minimum, span.maximum);
    }
    bar->setPageStep(span.pageStep);
    bar->setSingleStep(span.singleStep);
    apply(held);
}

void ChartNavigation::apply(const ViewWindow& w) {
    window_.clearReadOut();
    window_.chart().setAxisRange(ChartAxis::X, w.low, w.high);
    followWithScrollBar(w.centre());
}

void ChartNavigation::checkScale(int index) {
    QButtonGroup* group = window_.optTimeScale_[0]->group();
    if (group != nullptr) {
        group->setExclusive(index >= 0);
    }
    for (std::size_t i = 0; i < window_.optTimeScale_.size(); ++i) {
        window_.optTimeScale_[i]->setChecked(static_cast<int>(i) == index);
    }
    if (group != nullptr) {
        group->setExclusive(true);
    }
}

void ChartNavigation::followWithScrollBar(double centre) {
    QScrollBar* bar = window_.scrChart2D1_;
    const double rounded = roundHalfEven(centre, 0);
    const int position =
        std::isfinite(rounded)
            ? static_cast<int>(std::clamp<double>(rounded, bar->minimum(), bar->maximum()))
            : bar->minimum();
    // Only the thumb moves: the shown window is already set.
    const QSignalBlocker quiet(bar);
    bar->setValue(position);
}

void ChartNavigation::zoomIn() {
    const ViewWindow w = shown();
    zoomAt(w.centre(), kKeyFactor);
}

void ChartNavigation::zoomOut() {
    const ViewWindow w = shown();
    zoomAt(w.centre(), 1 / kKeyFactor);
}

void ChartNavigation::zoomAt(double anchor, double factor, Gesture gesture) {
    show(zoomAround(shown(), anchor, factor, extent()), gesture);
}

void ChartNavigation::pan(double share, Gesture gesture) {
    const ViewWindow w = shown();
    show(panBy(w, share * w.width(), extent()), gesture);
}

void ChartNavigation::wholeLog() {
    const LogExtent e = extent();
    show({e.low, e.high});
}

bool ChartNavigation::back() {
    const std::optional<ViewState> s = history_.pop();
    emit historyChanged();
    if (!s) {
        return false;
    }
    lastGesture_ = Gesture::Single;
    zoomed_ = s->scale < 0;
    checkScale(s->scale);
    if (s->scale >= 0) {
        const TimeScale& scale = timeScales()[static_cast<std::size_t>(s->scale)];
        window_.windowWidth_ = s->scaleWidth;
        scaleRange();
        window_.scrChart2D1_->setPageStep(scale.largeStep);
        window_.scrChart2D1_->setSingleStep(scale.smallStep);
    } else {
        const LogExtent e = extent();
        const ScrollSpan span = zoomedScrollSpan(holdInside(s->window, e), e);
        const QSignalBlocker quiet(window_.scrChart2D1_);
        window_.scrChart2D1_->setRange(span.minimum, span.maximum);
        window_.scrChart2D1_->setPageStep(span.pageStep);
        window_.scrChart2D1_->setSingleStep(span.singleStep);
    }
    apply(s->window);
    return true;
}

void ChartNavigation::scaleChosen() {
    if (zoomed_) {
        scaleRange();
    }
    zoomed_ = false;
}

// The time scales' scroll range: the whole log, as the window opened with. Set quietly: the
// caller sets the window and the position itself. The load step refused a log the scroll bar
// cannot hold; should it have been ignored, the range is held to what the bar can take.
void ChartNavigation::scaleRange() {
    auto position = [](double seconds) {
        const double r = roundHalfEven(seconds, 0);
        return std::isfinite(r) ? static_cast<int>(std::clamp(r, -32768.0, 32767.0)) : 0;
    };
    const QSignalBlocker quiet(window_.scrChart2D1_);
    window_.scrChart2D1_->setRange(position(window_.spanStart_), position(window_.totalSpan_));
}

bool ChartNavigation::scrolledTo(int position) {
    if (!zoomed_) {
        return false;
    }
    const ViewWindow w = centredOn(shown(), position, extent());
    window_.chart().setAxisRange(ChartAxis::X, w.low, w.high);
    return true;
}

double ChartNavigation::timeAtPixel(QPointF p) const {
    return window_.chart().pixelToData(1, qRound(p.x()), qRound(p.y())).x();
}

bool ChartNavigation::keyPressed(int key) {
    switch (key) {
        case Qt::Key_Left:
            pan(-kPanStep);
            return true;
        case Qt::Key_Right:
            pan(kPanStep);
            return true;
        case Qt::Key_Up:
            zoomIn();
            return true;
        case Qt::Key_Down:
            zoomOut();
            return true;
        default:
            return false;
    }
}

bool ChartNavigation::eventFilter(QObject* watched, QEvent* event) {
    // The chart and its viewport are told apart by address alone: while the window is being
    // destroyed its chart still sends focus events here, and the window may not be asked then.
    if (watched == chartObject_) {
        if (event->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(event);
            return k->modifiers() == Qt::NoModifier || k->modifiers() == Qt::KeypadModifier
                       ? keyPressed(k->key())
                       : false;
        }
        return false;
    }
    if (watched != viewportObject_) {
        return false;
    }
    switch (event->type()) {
        case QEvent::Wheel:
            return wheelTurned(*static_cast<QWheelEvent*>(event));
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            return dragStarted(*static_cast<QMouseEvent*>(event));
        case QEvent::MouseMove:
            return dragMoved(*static_cast<QMouseEvent*>(event));
        case QEvent::MouseButtonRelease:
            return dragEnded(*static_cast<QMouseEvent*>(event));
        default:
            return false;
    }
}

bool ChartNavigation::wheelTurned(const QWheelEvent& w) {
    const QPoint delta = w.angleDelta();
    // Some systems turn Shift+wheel into a sideways turn.
    const int turn = delta.y() != 0 ? delta.y() : delta.x();
    if (turn == 0) {
        return true;
    }
    const double notches = turn / 120.0;
    if (w.modifiers().testFlag(Qt::ShiftModifier)) {
        pan(-notches * kPanStep, Gesture::WheelPan);
    } else {
        zoomAt(timeAtPixel(w.position()), std::pow(kWheelFactor, notches), Gesture::Wheel);
    }
    return true;
}

bool ChartNavigation::dragStarted(const QMouseEvent& m) {
    window_.chart().setFocus(Qt::MouseFocusReason);
    if (m.button() == Qt::MiddleButton) {
        drag_ = Drag::Pan;
    } else if (m.button() == Qt::LeftButton && m.modifiers().testFlag(Qt::ControlModifier)) {
        drag_ = Drag::Box;
    } else {
        return false;
    }
    dragFrom_ = m.position();
    dragWindow_ = shown();
    dragMoved_ = false;
    return true;
}

bool ChartNavigation::dragMoved(const QMouseEvent& m) {
    if (drag_ == Drag::None) {
        return false;
    }
    const QPointF p = m.position();
    if (std::fabs(p.x() - dragFrom_.x()) > kBoxThreshold) {
        dragMoved_ = true;
    }
    if (!dragMoved_) {
        return true;
    }
    const QRectF plot = window_.chart().plotAreaRect();
    if (drag_ == Drag::Pan) {
        const double seconds =
            -(p.x() - dragFrom_.x()) / std::max(1.0, plot.width()) * dragWindow_.width();
        show(panBy(dragWindow_, seconds, extent()), Gesture::Drag);
    } else {
        const double a = std::clamp(dragFrom_.x(), plot.left(), plot.right());
        const double b = std::clamp(p.x(), plot.left(), plot.right());
        box_->setRect(
            QRectF(QPointF(std::min(a, b), plot.top()), QPointF(std::max(a, b), plot.bottom())));
        box_->setVisible(true);
    }
    return true;
}

bool ChartNavigation::dragEnded(const QMouseEvent& m) {
    if (drag_ == Drag::None) {
        return false;
    }
    const Drag was = drag_;
    drag_ = Drag::None;
    box_->setVisible(false);
    lastGesture_ = Gesture::Single;
    if (was != Drag::Box) {
        return true;
    }
    if (dragMoved_) {
        // A box dragged past the plot's edge ends at the edge.
        const QRectF plot = window_.chart().plotAreaRect();
        auto inside = [&plot](QPointF p) {
            return QPointF(std::clamp(p.x(), plot.left(), plot.right()), p.y());
        };
        show(windowBetween(timeAtPixel(inside(dragFrom_)), timeAtPixel(inside(m.position())),
                           extent()));
    } else {
        // A Ctrl+click is a click: the marker goes where it was pressed.
        ChartControl& c = window_.chart();
        window_.Chart2D1_MouseDown(
            mouseButtonCode(ChartMouseButton::Left), shiftStateCode(Qt::ControlModifier),
            dragFrom_.x() * c.twipsPerPixelX(), dragFrom_.y() * c.twipsPerPixelY());
    }
    return true;
}

}  // namespace tarvik
