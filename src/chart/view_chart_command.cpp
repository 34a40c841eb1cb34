#include "chart/view_chart_command.h"

#include "core/error_trap.h"
#include "core/user_dialogs.h"

namespace tarvik {

const QString ViewChartCommand::kTitle = QStringLiteral("View Chart");

void ViewChartCommand::run() {
    ErrorTrap trap(services_.dialogs);
    // The monitor and the chart window never run together.
    trap.run([&] {
        if (stopMonitor_) {
            stopMonitor_();
        }
    });
    bool empty = false;
    trap.run([&] { empty = services_.data.bufferEmpty; });
    if (trap.aborted()) {
        return;
    }
    if (empty) {
        services_.dialogs.message(kTitle, QStringLiteral("Data buffer empty."),
                                  MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    // A fresh window for every viewing, blocking its owner until it is closed. It is laid
    // out (shown) before it loads, so the chart knows the size of its plot.
    trap.run([&] {
        FrmChart1 window(services_, owner_);
        window.setWindowModality(Qt::ApplicationModal);
        if (prepare_) {
            prepare_(window);
        }
        window.show();
        window.Form_Load();
        if (run_) {
            run_(window);
        } else {
            window.exec();
        }
    });
}

}  // namespace tarvik
