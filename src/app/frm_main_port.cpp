// The main window's port commands: the port set-up frame, the stored port read at load, the
// port list and Find Ports.
#include <QComboBox>
#include <QGroupBox>

#include "app/frm_find_ports.h"
#include "app/frm_main.h"
#include "core/app_error.h"
#include "core/error_trap.h"
#include "link/serial_link.h"
#include "platform/serial_devices.h"

namespace tarvik {

namespace {
constexpr int kPortCount = 255;
}  // namespace

void FrmMain::loadPortSetup(ErrorTrap& trap) {
    trap.run([&] {
        // A stored port the list does not have (letters, 999) is reported, and port 1 is used
        // instead: never a port that cannot be chosen.
        settings_.commPort = settings_defaults::kCommPort;
        link_->setPortNumber(settings_.commPort);
        settings_.commPort =
            store_.readPortNumber(settings_keys::kCommPort, settings_defaults::kCommPort,
                                  kPortCount, settings_defaults::kCommPort);
        link_->setPortNumber(settings_.commPort);
    });
    trap.run([&] {
        cboPort_->clear();
        for (int n = 1; n <= kPortCount; ++n) {
            cboPort_->addItem(QStringLiteral("Com") + QString::number(n));
        }
        cboPort_->setCurrentIndex(-1);  // nothing chosen until the stored port is selected
    });
    // Selecting a port runs its handler, which writes the setting back.
    trap.run([&] { selectStoredPort(); });
}

void FrmMain::selectStoredPort() {
    const int position = portNumber() - 1;
    if (position == -1) {
        return;  // port 0: no selection, PortNumber stays 0
    }
    if (position < 0 || position >= cboPort_->count()) {
        throw AppError(AppError::kInvalidPropertyValue, QStringLiteral("Tarvik"),
                       QStringLiteral("Invalid property value: port %1 is not in the port "
                                      "list (Com1 to Com255).")
                           .arg(portNumber()));
    }
    cboPort_->setCurrentIndex(position);
    cboPort_Click(position);
}

qint16 FrmMain::portNumber() const {
    return link_->portNumber();
}

int FrmMain::serialErrorCount() const {
    return link_->serialErrorCount();
}

void FrmMain::closePortIfOpen() {
    if (closePort_) {
        closePort_();
    }
}

void FrmMain::mnuPortSetup_Click() {
    fraPortSelect_->show();
    cboPort_->setFocus();
}

void FrmMain::cmdPortSelectOK_Click() {
    fraPortSelect_->hide();
}

void FrmMain::cboPort_Click(int index) {
    ErrorTrap trap(dialogs());
    trap.run([&] { link_->setPortNumber(static_cast<qint16>(index + 1)); });
    trap.run([&] {
        settings_.commPort = portNumber();
        store_.writeWhole(settings_keys::kCommPort, portNumber());
    });
    // The next controller command opens the newly chosen port.
    trap.run([&] { closePortIfOpen(); });
}

void FrmMain::mnuFindPorts_Click() {
    if (services_.serialDevices == nullptr) {
        ownDevices_ = std::make_unique<QtSerialDeviceList>();
        services_.serialDevices = ownDevices_.get();
    }
    FrmFindPorts frmFindPorts(
        FindPortsServices{*services_.serialDevices, *services_.settings, dialogs(), portNumber(),
                          [this](int port) {
                              // The port in use now leads to the new device: the next command
                              // opens it there.
                              if (port == portNumber()) {
                                  closePortIfOpen();
                              }
                          }},
        this);
    frmFindPorts.exec();
}

}  // namespace tarvik
