#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;
class QToolButton;
class QUrl;

namespace tarvik {

/// The program's user guide in a window of its own: the guide's page with its contents at the
/// top, links within it, Back and Forward, and Contents to return to the top. Not modal, so the
/// guide can stay open beside the main window.
class HelpWindow : public QWidget {
    Q_OBJECT

public:
    static const QString kCaption;

    explicit HelpWindow(QWidget* parent = nullptr);

    /// Largest page or picture the guide may use.
    static constexpr qint64 kMaxResourceBytes = 4 * 1024 * 1024;

    /// Shows the guide in the file; false when it cannot be read (the window is left as it was).
    bool openFile(const QString& path);
    /// The bytes of a page or picture the guide names: only a regular file inside the guide's
    /// own folder, of at most kMaxResourceBytes. Anything else gives empty data (a blank page,
    /// a missing picture), never a read of a device or of a file elsewhere on the machine.
    /// Relative names are taken from `base`.
    QByteArray guideResource(const QUrl& name, const QUrl& base) const;
    /// Goes back to the top of the guide, where its contents are.
    void showContents();

    QTextBrowser& browser() { return *txtHelp_; }

private:
    QString path_;
    QString folder_;  ///< the guide's folder, canonical
    QTextBrowser* txtHelp_ = nullptr;
    QToolButton* cmdContents_ = nullptr;
    QToolButton* cmdBack_ = nullptr;
    QToolButton* cmdForward_ = nullptr;
};

}  // namespace tarvik
