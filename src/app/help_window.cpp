#include "app/help_window.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/regular_file.h"

namespace tarvik {

const QString HelpWindow::kCaption = QStringLiteral("Nitrous Data Logging Program Help");

namespace {

QToolButton* makeButton(const char* name, const QString& text) {
    auto* b = new QToolButton;
    b->setObjectName(QLatin1String(name));
    b->setText(text);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
}

// What a picture the guide cannot show is drawn as: a small empty frame.
QImage missingPicture() {
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(QColor(0x99, 0x99, 0x99));
    p.drawRect(0, 0, 15, 15);
    return image;
}

// The browser asks its window for every page and picture. An empty answer is still an
// answer: a null one would send the document to read the file by itself. A picture is answered
// with a decoded image, never with bytes that fail to decode: the document's image loader then
// opens the picture's file by itself, by its bare name, without any of the guide's checks (a
// named pipe there would hang the program).
class GuideBrowser final : public QTextBrowser {
public:
    explicit GuideBrowser(const HelpWindow& window) : window_(window) {}
    QVariant loadResource(int type, const QUrl& name) override {
        const QUrl base = source().isValid() ? source() : QUrl();
        QByteArray bytes = window_.guideResource(name, base);
        if (type != QTextDocument::ImageResource) {
            return QVariant(bytes);
        }
        QImage image;
        if (bytes.isEmpty() || !image.loadFromData(bytes) || image.isNull()) {
            image = missingPicture();
        }
        return QVariant(image);
    }

private:
    const HelpWindow& window_;
};

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(kCaption);
    resize(760, 640);

    cmdContents_ = makeButton("cmdContents", QStringLiteral("Contents"));
    cmdBack_ = makeButton("cmdBack", QStringLiteral("Back"));
    cmdForward_ = makeButton("cmdForward", QStringLiteral("Forward"));
    txtHelp_ = new GuideBrowser(*this);
    txtHelp_->setObjectName(QStringLiteral("txtHelp"));
    // The guide is one page of its own; a link out of it is opened by the system's browser.
    txtHelp_->setOpenExternalLinks(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdContents_);
    buttons->addWidget(cmdBack_);
    buttons->addWidget(cmdForward_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(txtHelp_, 1);

    cmdBack_->setEnabled(false);
    cmdForward_->setEnabled(false);
    connect(cmdContents_, &QToolButton::clicked, this, &HelpWindow::showContents);
    connect(cmdBack_, &QToolButton::clicked, txtHelp_, &QTextBrowser::backward);
    connect(cmdForward_, &QToolButton::clicked, txtHelp_, &QTextBrowser::forward);
    connect(txtHelp_, &QTextBrowser::backwardAvailable, cmdBack_, &QToolButton::setEnabled);
    connect(txtHelp_, &QTextBrowser::forwardAvailable, cmdForward_, &QToolButton::setEnabled);
}

bool HelpWindow::openFile(const QString& path) {
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable()) {
        return false;
    }
    path_ = file.absoluteFilePath();
    folder_ = QFileInfo(file.canonicalFilePath()).absolutePath();
    txtHelp_->setSource(QUrl::fromLocalFile(path_), QTextDocument::HtmlResource);
    txtHelp_->clearHistory();
    return true;
}

void HelpWindow::showContents() {
    if (!path_.isEmpty()) {
        // The same page: the browser only moves, it does not read the file again.
        txtHelp_->setSource(QUrl::fromLocalFile(path_), QTextDocument::HtmlResource);
        txtHelp_->verticalScrollBar()->setValue(0);
    }
}

QByteArray HelpWindow::guideResource(const QUrl& name, const QUrl& base) const {
    if (folder_.isEmpty()) {
        return QByteArray("");
    }
    QUrl url = name;
    if (url.isRelative()) {
        url = (base.isValid() ? base : QUrl::fromLocalFile(path_)).resolved(name);
    }
    if (!url.isLocalFile()) {
        return QByteArray("");
    }
    // The real place of the file, links followed, must lie in the guide's folder.
    const QString canonical = QFileInfo(url.toLocalFile()).canonicalFilePath();
    if (canonical.isEmpty() || !canonical.startsWith(folder_ + u'/')) {
        return QByteArray("");
    }
    QFile file;
    if (!openRegularFile(file, canonical).ok() || file.size() > kMaxResourceBytes) {
        return QByteArray("");
    }
    QByteArray bytes = file.read(kMaxResourceBytes + 1);
    if (bytes.size() > kMaxResourceBytes) {
        return QByteArray("");  // grew while we looked
    }
    return bytes;
}

}  // namespace tarvik
