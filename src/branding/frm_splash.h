#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include "branding/branding.h"

class QFrame;
class QLabel;
class QTimer;

namespace tarvik {

class UserDialogs;

/// The splash window frmSplash: the company's logo and name from the branding file, the
/// product name and its version. It reads the branding file when it loads and closes itself
/// 4000 ms after it is shown; the start-up routine shows it modally and then takes its brand
/// texts for the main window.
class FrmSplash : public QDialog {
    Q_OBJECT

public:
    /// The interval of tmrSplashUnload.
    static constexpr int kUnloadIntervalMs = 4000;
    /// The company name's size as designed: used when the file gives no usable size (zero,
    /// negative or not a number).
    static constexpr double kDesignedFontSize = 28.0;
    /// Sizes given by the file are held to this range, so the name neither vanishes nor
    /// outgrows the window. A name still too wide for its room is drawn smaller until it fits.
    static constexpr double kMinFontSize = 6.0;
    static constexpr double kMaxFontSize = 72.0;
    /// The splash's fixed size: nothing in the branding file makes it larger.
    static constexpr int kWindowWidth = 600;
    static constexpr int kWindowHeight = 270;
    /// A logo is drawn at most this size (scaled down keeping its shape).
    static constexpr int kLogoBox = 150;
    /// A picture with more pixels than this is not loaded.
    static constexpr qint64 kMaxLogoPixels = 16LL * 1024 * 1024;

    /// `folder` is where the branding file and the logo are looked for: the program's own
    /// folders (programDataFolders) unless a test says otherwise.
    explicit FrmSplash(UserDialogs& dialogs, QString folder = QString(), QWidget* parent = nullptr);
    ~FrmSplash() override;

    /// The splash load: reads the branding file and applies the splash lines, each step under
    /// the error trap (Abort ends the load there; the splash still closes on its timer).
    void Form_Load();
    /// Closes the splash (the timer's first tick).
    void tmrSplashUnload_Timer();

    /// The lists read by the load (the defaults when there is no file).
    const Branding& branding() const { return branding_; }
    /// The font size the branding file asked for, after the sane-range rule (0 until applied).
    double appliedFontSize() const { return appliedFontSize_; }

    QFrame& fraSplash() { return *fraSplash_; }
    QLabel& imgLogo() { return *imgLogo_; }
    QLabel& lblCompanyName() { return *lblCompanyName_; }
    QLabel& lblProductName() { return *lblProductName_; }
    QLabel& lblVersion() { return *lblVersion_; }
    QTimer& tmrSplashUnload() { return *tmrSplashUnload_; }

    /// The font size used for a size line: the designed size for a value that is not a
    /// positive number, else the value held to [kMinFontSize, kMaxFontSize].
    static double saneFontSize(double requested);

public slots:
    /// The splash cannot be dismissed with Esc; it closes on its timer.
    void reject() override {}

protected:
    void showEvent(QShowEvent* event) override;

private:
    void build();
    void buildLabels();
    void layOutFrame(QFrame* rule);
    enum class FontPart { Family, Size, Style };

    void readBrandingFile();
    /// Line n of the first section; a line the file lacks is an error naming it.
    QString requiredSplashLine(qsizetype n) const;
    void applyCompanyFont(FontPart part, const QString& line);
    void fitCompanyName();
    void loadLogo(const QString& name);

    UserDialogs& dialogs_;
    QStringList folders_;
    Branding branding_;
    double appliedFontSize_ = 0;

    QFrame* fraSplash_ = nullptr;
    QLabel* imgLogo_ = nullptr;
    QLabel* lblCompanyName_ = nullptr;
    QLabel* lblProductName_ = nullptr;
    QLabel* lblVersion_ = nullptr;
    QTimer* tmrSplashUnload_ = nullptr;
};

}  // namespace tarvik
