#pragma once

#include <QString>

#include "platform/serial_port.h"

namespace tarvik {

/// The error box text for a port that could not be opened: what is wrong, in words a user can
/// act on, with the port number and the device. `systemText` is the port's own error text,
/// shown where the cause is not one of the known ones.
QString portOpenErrorText(PortOpenFailure failure, const QString& device, int portNumber,
                          const QString& systemText);

/// The error box text for a serial adapter that went away while the program was using it (or
/// is still away when Retry opens the port again): "The serial adapter on Com1 (/dev/...) has
/// gone: plug it back in, then press Retry."
QString adapterGoneText(const QString& device, int portNumber);

}  // namespace tarvik
