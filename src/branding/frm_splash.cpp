#include "branding/frm_splash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QFrame>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "common/program_paths.h"
#include "core/app_error.h"
#include "core/error_trap.h"
#include "platform/regular_file.h"

namespace tarvik {

namespace {
constexpr int kWidth = FrmSplash::kWindowWidth;
constexpr int kHeight = FrmSplash::kWindowHeight;
constexpr int kMargin = 22;
constexpr int kSpacing = 20;
// Room for the company name: the window less the frame, the margins and the logo's place.
constexpr int kNameWidth = kWidth - 2 * kMargin - 4 - FrmSplash::kLogoBox - kSpacing;

const QString kSource = QStringLiteral("Tarvik");

QFont arial(double points, bool bold = false, bool italic = false) {
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

const QColor kAccent(176, 24, 32);

QFrame* makeFrame(QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QStringLiteral("fraSplash"));
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(2);
    frame->setAutoFillBackground(true);
    QPalette pal = frame->palette();
    pal.setColor(QPalette::Window, QColor(250, 250, 247));
    pal.setColor(QPalette::WindowText, QColor(24, 32, 48));
    frame->setPalette(pal);
    return frame;
}

// The accent line above the version.
QFrame* makeRule(QWidget* parent) {
    auto* rule = new QFrame(parent);
    rule->setFrameStyle(QFrame::HLine | QFrame::Plain);
    rule->setFixedHeight(2);
    rule->setLineWidth(2);
    QPalette rulePalette = rule->palette();
    rulePalette.setColor(QPalette::WindowText, kAccent);
    rule->setPalette(rulePalette);
    return rule;
}
}  // namespace

FrmSplash::FrmSplash(UserDialogs& dialogs, QString folder, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      dialogs_(dialogs),
      folders_(folder.isEmpty() ? programDataFolders() : QStringList{std::move(folder)}) {
    setObjectName(QStringLiteral("frmSplash"));
    setModal(true);
    build();
}

FrmSplash::~FrmSplash() = default;

void FrmSplash::build() {
    setFixedSize(kWidth, kHeight);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    fraSplash_ = makeFrame(this);
    outer->addWidget(fraSplash_);
    buildLabels();
    layOutFrame(makeRule(fraSplash_));

    tmrSplashUnload_ = new QTimer(this);
    tmrSplashUnload_->setObjectName(QStringLiteral("tmrSplashUnload"));
    tmrSplashUnload_->setInterval(kUnloadIntervalMs);
    tmrSplashUnload_->setSingleShot(true);
    connect(tmrSplashUnload_, &QTimer::timeout, this, &FrmSplash::tmrSplashUnload_Timer);
}

void FrmSplash::buildLabels() {
    imgLogo_ = new QLabel(fraSplash_);
    imgLogo_->setObjectName(QStringLiteral("imgLogo"));
    imgLogo_->setFixedSize(kLogoBox, kLogoBox);
    imgLogo_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    lblCompanyName_ = new QLabel(fraSplash_);
    lblCompanyName_->setObjectName(QStringLiteral("lblCompanyName"));
    lblCompanyName_->setFont(arial(kDesignedFontSize));
    // A long name is drawn smaller (fitCompanyName) and never widens the window.
    lblCompanyName_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblCompanyName_->setAlignment(Qt::AlignLeft | Qt::AlignBottom);

    lblProductName_ = new QLabel(QStringLiteral("Nitrous Controller Data Logging"), fraSplash_);
    lblProductName_->setObjectName(QStringLiteral("lblProductName"));
    lblProductName_->setFont(arial(14, true));
    lblProductName_->setWordWrap(true);
    lblProductName_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette accent = lblProductName_->palette();
    accent.setColor(QPalette::WindowText, kAccent);
    lblProductName_->setPalette(accent);
}

void FrmSplash::layOutFrame(QFrame* rule) {
    lblVersion_ = new QLabel(QStringLiteral("Version 2.0"), fraSplash_);
    lblVersion_->setObjectName(QStringLiteral("lblVersion"));
    lblVersion_->setFont(arial(10));
    lblVersion_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // The name and the product stand beside the logo, centred on it.
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addStretch(1);
    texts->addWidget(lblCompanyName_);
    texts->addWidget(lblProductName_);
    texts->addStretch(1);

    auto* grid = new QGridLayout(fraSplash_);
    grid->setContentsMargins(kMargin, kMargin, kMargin, kMargin - 8);
    grid->setHorizontalSpacing(kSpacing);
    grid->setVerticalSpacing(8);
    grid->addWidget(imgLogo_, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    grid->addLayout(texts, 0, 1);
    grid->setRowStretch(1, 1);
    grid->addWidget(rule, 2, 0, 1, 2);
    grid->addWidget(lblVersion_, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
}

void FrmSplash::Form_Load() {
    ErrorTrap trap(dialogs_);
    // The lines are applied in order, each a step of its own: a line the file lacks is one
    // error box, Abort leaves what was applied before it, and after Ignore that line's control
    // keeps its designed look.
    trap.run([&] { readBrandingFile(); });
    trap.run([&] { lblCompanyName_->setText(requiredSplashLine(1)); });
    trap.run([&] { applyCompanyFont(FontPart::Family, requiredSplashLine(2)); });
    trap.run([&] { applyCompanyFont(FontPart::Size, requiredSplashLine(3)); });
    trap.run([&] { applyCompanyFont(FontPart::Style, requiredSplashLine(4)); });
    trap.run([&] {
        const QString logo = requiredSplashLine(5);
        if (!brandingNoLogo(logo)) {
            loadLogo(logo);
        }
    });
}

QString FrmSplash::requiredSplashLine(qsizetype n) const {
    if (branding_.splashLines.size() < n) {
        throw AppError(AppError::kFileError, kSource,
                       missingSplashLineText(n, branding_.splashLines.size()));
    }
    return branding_.splashLines.at(n - 1);
}

void FrmSplash::readBrandingFile() {
    const QString path = findProgramFile(kBrandingFileName, folders_);
    if (!QFileInfo::exists(path)) {
        branding_ = Branding::defaults();
        return;
    }
    branding_ = Branding();
    // A named pipe or a device in its place would hang the start-up: only a plain file is read.
    QFile file;
    const RegularFileResult opened = openRegularFile(file, path);
    if (opened.kind == FileKind::Folder || opened.kind == FileKind::Special) {
        throw AppError(AppError::kFileError, kSource,
                       QStringLiteral("The branding file %1 is %2, not a file.")
                           .arg(kBrandingFileName, fileKindText(opened)));
    }
    if (!opened.ok()) {
        throw AppError(AppError::kFileError, kSource,
                       QStringLiteral("The branding file %1 cannot be opened: %2")
                           .arg(kBrandingFileName, fileKindText(opened)));
    }
    BrandingRead read = parseBranding(file);
    // Whatever was read stays, so Ignore goes on with it. A short first section is reported
    // line by line as the lines are applied.
    branding_ = read.branding;
    read.problems.removeAll(BrandingProblem::TooFewSplashLines);
    if (!read.ok()) {
        throw AppError(AppError::kFileError, kSource, read.describeProblems());
    }
}

double FrmSplash::saneFontSize(double requested) {
    if (!(requested > 0) || !std::isfinite(requested)) {
        return kDesignedFontSize;
    }
    return std::clamp(requested, kMinFontSize, kMaxFontSize);
}

void FrmSplash::applyCompanyFont(FontPart part, const QString& line) {
    QFont font = lblCompanyName_->font();
    switch (part) {
        case FontPart::Family:
            font.setFamily(line);
            break;
        case FontPart::Size:
            appliedFontSize_ = saneFontSize(brandingFontSize(line));
            font.setPointSizeF(appliedFontSize_);
            break;
        case FontPart::Style:
            font.setBold(brandingBold(line));
            font.setItalic(brandingItalic(line));
            break;
    }
    lblCompanyName_->setFont(font);
    fitCompanyName();
}

void FrmSplash::fitCompanyName() {
    QFont font = lblCompanyName_->font();
    const QString text = lblCompanyName_->text();
    double size = font.pointSizeF();
    double width = QFontMetricsF(font).horizontalAdvance(text);
    if (width <= kNameWidth || text.isEmpty()) {
        return;
    }
    // Jump close to the size that fits, then step down to be sure.
    size = std::max(kMinFontSize, std::floor(size * kNameWidth / width));
    for (;;) {
        font.setPointSizeF(size);
        width = QFontMetricsF(font).horizontalAdvance(text);
        if (width <= kNameWidth || size <= kMinFontSize) {
            break;
        }
        size = std::max(kMinFontSize, size - 1);
    }
    lblCompanyName_->setFont(font);
}

void FrmSplash::loadLogo(const QString& name) {
    const LogoLookup found = findLogoFile(name, folders_);
    if (found.place == LogoLookup::Outside) {
        throw AppError(AppError::kFileError, kSource,
                       QStringLiteral("The logo file \"%1\" named in the branding file %2 is "
                                      "outside the program's folder. The logo must be a picture "
                                      "in the folder of the program's files.")
                           .arg(name, kBrandingFileName));
    }
    if (found.place == LogoLookup::NotFound) {
        throw AppError(AppError::kFileError, kSource,
                       QStringLiteral("The logo file \"%1\" named in the branding file %2 was "
                                      "not found.")
                           .arg(name, kBrandingFileName));
    }
    const QString& path = found.path;
    QImageReader reader(path);
    const QSize declared = reader.size();
    if (declared.isValid() &&
        static_cast<qint64>(declared.width()) * declared.height() > kMaxLogoPixels) {
        throw AppError(AppError::kFileError, kSource,
                       QStringLiteral("The logo file \"%1\" named in the branding file %2 is "
                                      "too large a picture (%3 x %4 pixels).")
                           .arg(name, kBrandingFileName)
                           .arg(declared.width())
                           .arg(declared.height()));
    }
    QImage image = reader.read();
    if (image.isNull()) {
        throw AppError(AppError::kFileError, kSource,
                       QStringLiteral("The logo file \"%1\" named in the branding file %2 is not "
                                      "a picture the program can read.")
                           .arg(name, kBrandingFileName));
    }
    if (image.width() > kLogoBox || image.height() > kLogoBox) {
        image = image.scaled(kLogoBox, kLogoBox, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    imgLogo_->setPixmap(QPixmap::fromImage(image));
}

void FrmSplash::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Four seconds from when the user sees it, however long the load's error boxes stayed up.
    if (!tmrSplashUnload_->isActive()) {
        tmrSplashUnload_->start();
    }
}

void FrmSplash::tmrSplashUnload_Timer() {
    tmrSplashUnload_->stop();
    accept();
}

}  // namespace tarvik
