#pragma once

#include <QIcon>
#include <QString>

namespace tarvik {

/// The application id: the name of the desktop entry, the icon and the AppStream metadata.
inline const QString kApplicationId = QStringLiteral("org.tarvik.Tarvik");

/// The program's icon, built into the program in the sizes the desktop uses.
QIcon programIcon();

/// Makes the icon the icon of every window of the program, and names the desktop entry the
/// windows belong to.
void applyProgramIcon();

}  // namespace tarvik
