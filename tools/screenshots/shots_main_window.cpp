#include <QApplication>
#include <QMenuBar>

#include "../../tests/support/memory_settings.h"
#include "app/frm_find_ports.h"
#include "app/frm_main.h"
#include "platform/qt_user_dialogs.h"
#include "platform/serial_devices.h"
#include "shots.h"

namespace tarvik::shots {

void mainWindowShots() {
    QtUserDialogs dialogs;
    test::MemorySettings settings;
    FrmMain w({&dialogs, &settings, Branding::defaults()});
    w.Form_Load();
    w.mnuPortSetup_Click();
    w.resize(980, 640);
    w.show();
    QApplication::processEvents();
    save(w, QStringLiteral("main_window"));

    // Find Ports with a USB adapter bound to Com1 and the built-in port beside it.
    class Devices final : public SerialDeviceList {
    public:
        QList<SerialDeviceInfo> devices() const override {
            SerialDeviceInfo usb;
            usb.device =
                QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10KX3-if00-port0");
            usb.systemLocation = QStringLiteral("/dev/ttyUSB0");
            usb.description = QStringLiteral("FT232R USB UART");
            usb.manufacturer = QStringLiteral("FTDI");
            usb.serialNumber = QStringLiteral("A10KX3");
            usb.vendorId = 0x0403;
            usb.productId = 0x6001;
            SerialDeviceInfo builtIn;
            builtIn.device = builtIn.systemLocation = QStringLiteral("/dev/ttyS0");
            return {usb, builtIn};
        }
    } devices;
    settings.write(QStringLiteral("Ports"), QStringLiteral("Com3"), devices.devices().at(0).device);
    FrmFindPorts find(FindPortsServices{devices, settings, dialogs, 3, {}});
    find.show();
    QApplication::processEvents();
    save(find, QStringLiteral("find_ports"));
}

}  // namespace tarvik::shots
