#pragma once

// A chart window over a realistic data set, with everything it needs owned by the test.
#include <QAction>
#include <QLabel>
#include <QRadioButton>
#include <QtTest>
#include <memory>

#include "chart/chart_control.h"
#include "chart/frm_chart1.h"
#include "drag_pass_data.h"
#include "memory_settings.h"
#include "scripted_dialogs.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

namespace tarvik::test {

/// Everything a chart window needs, owned by the test.
struct Harness {
    DataBuffer data;
    Settings settings;
    MemorySettings backing;
    SettingsStore store{backing};
    ScriptedDialogs dialogs;
    QString templatePath;
    std::unique_ptr<FrmChart1> window;

    Harness() {
        settings.maxRPMDisplay = 10000;
        settings.maxVSSDisplay = 140;
        fillDragPass(data);
    }
    ChartServices services() { return {data, settings, store, dialogs, templatePath}; }
    FrmChart1& open() {
        window = std::make_unique<FrmChart1>(services());
        window->show();
        window->Form_Load();
        return *window;
    }
    template <class T>
    T* child(const char* name) {
        T* w = window->findChild<T*>(QLatin1String(name));
        if (w == nullptr) {
            qFatal("no control %s", name);
        }
        return w;
    }
    QString text(const char* label) { return child<QLabel>(label)->text(); }
    ChartControl& chart() { return window->chart(); }
    void click(const char* option) { child<QRadioButton>(option)->click(); }
    // Clicks the chart over the sample of a row (at the plot's mid height).
    void clickRow(int row, Qt::MouseButton button = Qt::LeftButton) {
        const QPointF p = chart().dataToPixel(1, data.at(Column::ElapsedTime, row), 0);
        clickAt(QPoint(qRound(p.x()), qRound(chart().plotAreaRect().center().y())), button);
    }
    void clickAt(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(chart().viewport(), button, Qt::NoModifier, at);
    }
    void triggerMenu(const char* name) {
        QAction* a = window->findChild<QAction*>(QLatin1String(name));
        if (a == nullptr) {
            qFatal("no action %s", name);
        }
        a->trigger();
    }
};

}  // namespace tarvik::test
