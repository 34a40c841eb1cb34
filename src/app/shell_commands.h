#pragma once

#include <QPointer>
#include <QString>

class QPrinter;
class QWidget;

namespace tarvik {

class HelpWindow;
class UserDialogs;
struct Branding;

inline const QString kPrinterSetupTitle = QStringLiteral("Printer Setup");
inline const QString kHelpTitle = QStringLiteral("Help");
/// The guide shipped beside the program, and on Windows the compiled help preferred to it.
inline const QString kHelpFileName = QStringLiteral("Tarvik_Help.html");
inline const QString kCompiledHelpFileName = QStringLiteral("Tarvik_Help.chm");

/// "About": the brand lines and the program's revision in an information box.
void showAbout(UserDialogs& dialogs, const Branding& branding);

/// "Print Setup": the printer dialog in its set-up form on the program-wide printer, which
/// follows the choice made there; Cancel changes nothing and says nothing.
void showPrinterSetup(UserDialogs& dialogs, QPrinter& printer);

/// "Contents": shows the guide at `helpFile` in the help window (created under `owner` on first
/// use and kept in `window`). On Windows the compiled help beside the program is opened
/// instead when it is there. A guide that is missing or cannot be read is reported in a box.
void showHelpContents(UserDialogs& dialogs, const QString& helpFile, QWidget* owner,
                      QPointer<HelpWindow>& window);

}  // namespace tarvik
