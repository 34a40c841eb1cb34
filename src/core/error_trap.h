#pragma once

#include <functional>
#include <span>

#include "core/app_error.h"
#include "core/user_dialogs.h"

namespace tarvik {

/// The program-wide error box: the error's description, Abort/Retry/Ignore, the critical icon,
/// title "Error". Returns Abort, Retry or Ignore.
MsgResult showErrorBox(UserDialogs& dialogs, const QString& description);

/// How one trapped step ended.
enum class StepResult {
    Done,     ///< the step ran to its end
    Ignored,  ///< it failed and the user chose Ignore: go on with the next step
    Aborted,  ///< it failed and the user chose Abort: run the exit path
};

/// The error trap of a routine. The routine is written as its named steps, each one call to
/// step(); an error thrown inside a step is shown with showErrorBox, then Retry runs the same
/// step again, Ignore returns Ignored and Abort returns Aborted. After an abort every further
/// step() returns Aborted at once without running, so a routine may test only where it must.
class ErrorTrap {
public:
    explicit ErrorTrap(UserDialogs& dialogs) : dialogs_(dialogs) {}

    StepResult step(const std::function<void()>& body);

    /// step() that reports only whether to go on (Done or Ignored).
    bool run(const std::function<void()>& body) { return step(body) != StepResult::Aborted; }

    /// Runs the steps in order until one is aborted; false when that happened.
    bool runAll(std::span<const std::function<void()>> steps) {
        for (const auto& body : steps) {
            if (!run(body)) {
                return false;
            }
        }
        return true;
    }

    bool aborted() const { return aborted_; }
    /// The error the last box was about.
    const AppError& lastError() const { return lastError_; }

    /// Errors for which `test` holds are not shown by this trap: step() lets them go on to its
    /// caller, which answers them for a whole sequence of steps (a serial adapter that went away
    /// mid-exchange: its Retry must start the exchange again, not repeat the one step).
    void passOn(std::function<bool(const AppError&)> test) { passOn_ = std::move(test); }

private:
    UserDialogs& dialogs_;
    bool aborted_ = false;
    AppError lastError_{0, QString(), QString()};
    std::function<bool(const AppError&)> passOn_;
};

}  // namespace tarvik
