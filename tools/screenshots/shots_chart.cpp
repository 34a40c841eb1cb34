#include <QApplication>
#include <QMouseEvent>
#include <QRadioButton>

#include "../../tests/chart/drag_pass_data.h"
#include "../../tests/support/memory_settings.h"
#include "chart/chart_control.h"
#include "chart/frm_chart1.h"
#include "platform/qt_user_dialogs.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "shots.h"

namespace tarvik::shots {

namespace {

struct Fixture {
    DataBuffer data;
    Settings settings;
    test::MemorySettings backing;
    SettingsStore store{backing};
    QtUserDialogs dialogs;

    Fixture() {
        settings.maxRPMDisplay = 8000;
        settings.maxVSSDisplay = 150;
        test::fillDragPass(data);
    }
    ChartServices services() { return {data, settings, store, dialogs, QString()}; }
};

void settle(QWidget& w) {
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
    }
    w.repaint();
}

// Clicks the chart where Trace 1 draws the sample of a row, as the user would.
void clickSample(FrmChart1& w, DataBuffer& data, int row) {
    ChartControl& c = w.chart();
    const QPointF p = c.DataToPixel(1, data.at(Column::ElapsedTime, row), 0);
    const QPoint at(qRound(p.x()), qRound(c.PlotAreaRect().center().y()));
    QMouseEvent press(QEvent::MouseButtonPress, at, c.viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(c.viewport(), &press);
}

}  // namespace

void chartShots() {
    {
        Fixture f;
        FrmChart1 w(f.services());
        w.show();
        w.Form_Load();
        settle(w);
        save(w, QStringLiteral("chart_opened"));
    }
    {
        Fixture f;
        FrmChart1 w(f.services());
        w.show();
        w.Form_Load();
        w.findChild<QRadioButton*>(QStringLiteral("optTrace2Stage1Trig"))->click();
        // The second pass, one minute wide around the marked sample.
        clickSample(w, f.data, 1840);
        w.findChild<QRadioButton*>(QStringLiteral("optTimeScale2"))->click();
        clickSample(w, f.data, 1830);
        settle(w);
        save(w, QStringLiteral("chart_onoff_marker"));
    }
    {
        Fixture f;
        FrmChart1 w(f.services());
        w.show();
        w.Form_Load();
        w.findChild<QRadioButton*>(QStringLiteral("optTrace1Input1AFR"))->click();
        w.findChild<QRadioButton*>(QStringLiteral("optTrace2Stage2PWM"))->click();
        clickSample(w, f.data, 1830);
        w.findChild<QRadioButton*>(QStringLiteral("optTimeScale1"))->click();
        clickSample(w, f.data, 1850);
        settle(w);
        save(w, QStringLiteral("chart_afr_pwm_15s"));
    }
    {
        Fixture f;
        f.data.ControllerVersion = QStringLiteral("QX-1");
        FrmChart1 w(f.services());
        w.show();
        w.Form_Load();
        settle(w);
        save(w, QStringLiteral("chart_qx1"));
    }
}

}  // namespace tarvik::shots
