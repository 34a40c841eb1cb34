#include "core/error_trap.h"

#include <exception>
#include <new>

namespace tarvik {

MsgResult showErrorBox(UserDialogs& dialogs, const QString& description) {
    return dialogs.message(QStringLiteral("Error"), description, MsgIcon::Critical,
                           MsgButtons::AbortRetryIgnore);
}

StepResult ErrorTrap::step(const std::function<void()>& body) {
    if (aborted_) {
        return StepResult::Aborted;
    }
    for (;;) {
        try {
            body();
            return StepResult::Done;
        } catch (const AppError& e) {
            if (passOn_ && passOn_(e)) {
                throw;
            }
            lastError_ = e;
        } catch (const std::bad_alloc&) {
            lastError_ = AppError(7, QStringLiteral("Tarvik"), QStringLiteral("Out of memory"));
        } catch (const std::exception& e) {
            // Anything else (a library's exception) is still shown, never allowed to end the
            // program.
            lastError_ = AppError(0, QStringLiteral("Tarvik"), QString::fromLocal8Bit(e.what()));
        }
        switch (showErrorBox(dialogs_, lastError_.description())) {
            case MsgResult::Retry:
                continue;
            case MsgResult::Ignore:
                return StepResult::Ignored;
            default:
                aborted_ = true;
                return StepResult::Aborted;
        }
    }
}

}  // namespace tarvik
