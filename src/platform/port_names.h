#pragma once

#include <QString>

namespace tarvik {

class SettingsBacking;

/// The device behind port number N. On Windows "COMN". Elsewhere the text of the setting `ComN`
/// in section "Ports" of the settings store when it is present and not empty (for example
/// `Com1=/dev/ttyUSB0`), else "/dev/ttyS{N-1}" (the names Wine gives COM ports on Linux).
/// `settings` may be null. A port number below 1 gives a name that cannot be opened
/// ("COM0", "/dev/ttyS-1"), so the open reports the failure with the device's name.
QString portDeviceName(int portNumber, const SettingsBacking* settings);

}  // namespace tarvik
