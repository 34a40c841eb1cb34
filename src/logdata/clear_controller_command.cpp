#include "logdata/clear_controller_command.h"

#include "common/rounding.h"
#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "link/controller.h"

namespace tarvik {

const QString ClearControllerCommand::kTitle = QStringLiteral("Clear Controller Data Buffer");

void ClearControllerCommand::run() {
    ErrorTrap trap(dialogs_);
    auto say = [&](const QString& text, MsgIcon icon) {
        trap.run([&] { dialogs_.message(kTitle, text, icon, MsgButtons::Ok); });
    };

    // The erase cannot be undone: ask first.
    MsgResult answer = MsgResult::Cancel;
    trap.run([&] {
        answer = dialogs_.message(kTitle,
                                  QStringLiteral("All data logged by controller will be lost. "
                                                 "Proceed?"),
                                  MsgIcon::Exclamation, MsgButtons::OkCancel);
    });
    if (answer != MsgResult::Ok || !controller_.establishLink(kTitle)) {
        return;
    }

    int status = 0;
    trap.run([&] { status = static_cast<int>(roundHalfEven(controller_.readStatus(), 0)); });
    if (!controller_.linkOk()) {
        return;  // the read's own error box has already been shown if it timed out
    }
    if (isArmedStatus(status)) {
        say(QStringLiteral("Cannot clear data buffer while controller is armed."),
            MsgIcon::Exclamation);
        controller_.link().closePort();
        return;
    }

    trap.run([&] { controller_.clearControllerBuffer(); });
    say(controller_.linkOk()
            ? QStringLiteral("Controller data buffer cleared.")
            : QStringLiteral("Command failed - controller data buffer not cleared."),
        MsgIcon::Information);
}

}  // namespace tarvik
