#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;
class QToolButton;

namespace tarvik {

/// The program's user guide in a window of its own: the guide's page with its contents at the
/// top, links within it, Back and Forward, and Contents to return to the top. Not modal, so the
/// guide can stay open beside the main window.
class HelpWindow : public QWidget {
    Q_OBJECT

public:
    static const QString kCaption;

    explicit HelpWindow(QWidget* parent = nullptr);

    /// Shows the guide in the file; false when it cannot be read (the window is left as it was).
    bool openFile(const QString& path);
    /// Goes back to the top of the guide, where its contents are.
    void showContents();

    QTextBrowser& browser() { return *txtHelp_; }

private:
    QString path_;
    QTextBrowser* txtHelp_ = nullptr;
    QToolButton* cmdContents_ = nullptr;
    QToolButton* cmdBack_ = nullptr;
    QToolButton* cmdForward_ = nullptr;
};

}  // namespace tarvik
