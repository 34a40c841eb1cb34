#include "logdata/clear_controller_command.h"

#include "common/rounding.h"
#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "link/controller.h"

namespace tarvik {

const QString ClearControllerCommand::kTitle = QStringLiteral("Clear Controller Data Buffer");

namespace {
// Status codes 0 "Power Off" and 1 "Power On - Not Armed" are the only safe ones to erase in.
constexpr int kHighestUnarmedStatus = 1;
}  // namespace

void ClearControllerCommand::mnuClearControllerBuffer_Click() {
    ErrorTrap trap(dialogs_);
    SerialLink& link = controller_.link();
    auto say = [&](const QString& text, MsgIcon icon) {
        dialogs_.message(kTitle, text, icon, MsgButtons::Ok);
    };

    // 1. The erase cannot be undone: ask first.
    MsgResult answer = MsgResult::Cancel;
    if (!trap.run([&] {
            answer = dialogs_.message(kTitle,
                                      QStringLiteral("All data logged by controller will be lost. "
                                                     "Proceed?"),
                                      MsgIcon::Exclamation, MsgButtons::OkCancel);
        })) {
        return;
    }
    if (answer != MsgResult::Ok) {
        return;
    }

    if (!controller_.establishLink(kTitle)) {
        return;
    }

    // 3. Refuse while the controller is armed.
    int status = 0;
    if (!trap.run([&] { status = static_cast<int>(roundHalfEven(controller_.readStatus(), 0)); })) {
        return;
    }
    if (!controller_.linkOk()) {
        return;  // the read's own error box has already been shown if it timed out
    }
    if (status > kHighestUnarmedStatus) {
        trap.run([&] {
            say(QStringLiteral("Cannot clear data buffer while controller is armed."),
                MsgIcon::Exclamation);
        });
        link.closePort();
        return;
    }

    // 4. Erase.
    if (!trap.run([&] { controller_.clearControllerBuffer(); })) {
        return;
    }
    trap.run([&] {
        say(controller_.linkOk()
                ? QStringLiteral("Controller data buffer cleared.")
                : QStringLiteral("Command failed - controller data buffer not cleared."),
            MsgIcon::Information);
    });
}

}  // namespace tarvik
