#pragma once

#include <QString>

namespace tarvik {

class Controller;
class UserDialogs;

/// "Clear Controller Data Buffer": erases the log in the controller's FRAM after the user
/// confirms, the link answers and the controller is not armed. Leaves the program's own data
/// buffer, its caption and the chart alone, and does not stop the real-time monitor.
class ClearControllerCommand {
public:
    static const QString kTitle;

    ClearControllerCommand(Controller& controller, UserDialogs& dialogs)
        : controller_(controller), dialogs_(dialogs) {}

    /// The menu handler. Every box it shows is titled kTitle.
    void run();

private:
    Controller& controller_;
    UserDialogs& dialogs_;
};

}  // namespace tarvik
