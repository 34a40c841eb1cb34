#include "link/port_open_error.h"

namespace tarvik {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
// A device name set by hand may be anything; a box shows no more of it than this.
constexpr int kShownNameChars = 80;

QString shownName(const QString& device) {
    if (device.trimmed().isEmpty()) {
        return QStringLiteral("(no device name)");
    }
    if (device.size() <= kShownNameChars) {
        return device;
    }
    return device.left(kShownNameChars) + QStringLiteral("... (%1 characters)").arg(device.size());
}

}  // namespace

QString portOpenErrorText(PortOpenFailure failure, const QString& device, int portNumber,
                          const QString& systemText) {
    const QString port = QStringLiteral("Com") + QString::number(portNumber);
    const QString name = shownName(device);
    const QString findPorts =
        QStringLiteral(
            "Plug the adapter in, or use Communications > Find Ports... to find it "
            "and bind it to %1.")
            .arg(port);
    switch (failure) {
        case PortOpenFailure::NoSuchDevice:
            return QStringLiteral("Cannot open %1: there is no device %2.").arg(port, name) +
                   kCrLf +
                   QStringLiteral(
                       "The USB-serial adapter may be unplugged, or %1 may be the "
                       "wrong port.")
                       .arg(port) +
                   kCrLf + findPorts;
        case PortOpenFailure::PermissionDenied:
#if defined(Q_OS_LINUX)
            return QStringLiteral("Cannot open %1 (%2): permission denied.").arg(port, name) +
                   kCrLf +
                   QStringLiteral(
                       "Serial devices belong to the dialout group. Add your user to "
                       "it in a terminal:") +
                   kCrLf + QStringLiteral("sudo usermod -aG dialout $USER") + kCrLf +
                   QStringLiteral("then log out and log in again.");
#else
            return QStringLiteral("Cannot open %1 (%2): permission denied.").arg(port, name) +
                   kCrLf +
                   QStringLiteral(
                       "Your user account is not allowed to use this port; ask the "
                       "computer's administrator for access.");
#endif
        case PortOpenFailure::Busy:
            return QStringLiteral("Cannot open %1 (%2): it is in use by another program.")
                       .arg(port, name) +
                   kCrLf +
                   QStringLiteral(
                       "Close the other program (a terminal, another copy of this "
                       "program) and click Retry.");
        case PortOpenFailure::NotASerialDevice:
            return QStringLiteral("Cannot open %1: %2 is not a serial device.").arg(port, name) +
                   kCrLf +
                   QStringLiteral(
                       "Check the %1 entry of the [Ports] section in the settings, "
                       "or use Communications > Find Ports... to bind the adapter "
                       "to %1.")
                       .arg(port);
        case PortOpenFailure::None:
        case PortOpenFailure::Other:
            break;
    }
    QString text = QStringLiteral("Cannot open %1 (%2)").arg(port, name);
    if (!systemText.isEmpty()) {
        text += QStringLiteral(": ") + systemText;
    }
    return text + u'.';
}

QString adapterGoneText(const QString& device, int portNumber) {
    return QStringLiteral(
               "The serial adapter on Com%1 (%2) has gone: plug it back in, then press "
               "Retry.")
        .arg(QString::number(portNumber), shownName(device));
}

}  // namespace tarvik
