#pragma once

#include <QList>
#include <QString>

namespace tarvik {

class SettingsBacking;
struct SerialDeviceInfo;

/// Which port numbers (1-255) open this device now: those whose `ComN` entry in section "Ports"
/// names it (by either of its names, or a link to the same device), and the port whose default
/// device it is when that port has no entry (see portDeviceName()).
QList<int> portsBoundTo(const SerialDeviceInfo& device, const SettingsBacking& settings);

/// Binds port `portNumber` to `device`: writes `ComN=<device>` in section "Ports", which the
/// program reads whenever it opens port N. Throws AppError when the store refuses it.
void bindPort(SettingsBacking& settings, int portNumber, const QString& device);

}  // namespace tarvik
