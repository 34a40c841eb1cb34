#pragma once

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace tarvik {

class SerialDeviceList;
class SettingsBacking;
class UserDialogs;

/// What the Find Ports dialog works with.
struct FindPortsServices {
    SerialDeviceList& devices;
    SettingsBacking& settings;
    UserDialogs& dialogs;
    /// The port in use (PortNumber); the bind list starts there.
    int currentPort = 1;
    /// Run after port N was bound (the main window closes the port when N is the one in use,
    /// so the next command opens the new device).
    std::function<void(int portNumber)> portBound;
};

/// "Find Ports...": lists the serial devices present (device, description, maker, serial
/// number, USB ids and the ports that open each now), binds the chosen one to a port number in
/// one click, and lists again on "Refresh".
class FrmFindPorts : public QDialog {
    Q_OBJECT

public:
    static const QString kTitle;

    explicit FrmFindPorts(FindPortsServices services, QWidget* parent = nullptr);

    void cmdRefresh_Click();
    void cmdBind_Click();
    /// The port number the bind button names.
    int bindPort() const;
    /// The row of the device the port in use opens (shown in bold, with a mark).
    bool isInUseRow(int row) const;

private:
    void updateBindButton();
    /// Widens the dialog so every column shows whole, as far as the screen allows.
    void fitWidthToColumns();

    FindPortsServices services_;
    QTableWidget* lstPorts_ = nullptr;
    QComboBox* cboBindPort_ = nullptr;
    QPushButton* cmdBind_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QStringList devices_;
};

}  // namespace tarvik
