#pragma once

#include <QDialog>
#include <QString>
#include <array>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tarvik {

class RealTimePanel;
class SettingsStore;
class UserDialogs;
struct Settings;

/// What the options dialog edits and where its changes go: the main window's in-memory
/// settings, the settings store, the real-time panel's dials and gauges, and the boxes.
struct DisplayOptionsServices {
    Settings& settings;
    SettingsStore& store;
    RealTimePanel& panel;
    UserDialogs& dialogs;
};

/// The dialog frmDisplayOptions ("Real Time Display Options"): which gauge of each pair the
/// real-time panel shows, and the limits of its two dials.
///
/// A limit is checked, corrected to its bounds (with a message), applied to its dial and saved
/// as soon as the user leaves its box, and again before OK acts. The gauge choices are applied
/// and saved by OK only; the close box drops them. The dialog is modal, but the main window's
/// poll timer keeps running behind it, so the panel shows each change at once.
class FrmDisplayOptions : public QDialog {
    Q_OBJECT

public:
    explicit FrmDisplayOptions(DisplayOptionsServices services, QWidget* parent = nullptr);
    ~FrmDisplayOptions() override;

    /// Dialog load: the option buttons and the four boxes from the in-memory settings.
    void Form_Load();

    /// The validation of one box, as when the focus leaves it. Returns false when the value
    /// was out of bounds (a message was shown and the box now holds the bound).
    bool txtTachRedline_Validate();
    bool txtTachMax_Validate();
    bool txtSpeedoRedline_Validate();
    bool txtSpeedoMax_Validate();

    /// OK: validates the box that has the focus, then applies and saves the gauge choices and
    /// closes. After a correction of that box OK does nothing more, so the user sees the
    /// corrected value first (the focus stays in the box).
    void cmdOK_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum Box { TachRedline, TachMax, SpeedoRedline, SpeedoMax, BoxCount };
    struct BoxRule;
    static const BoxRule& rule(Box box);

    /// One option button of a two-button group: where to keep it, its objectName and caption.
    struct OptionButton {
        QRadioButton** button;
        const char* name;
        QString caption;
    };

    void build();
    QGroupBox* buildOptionGroup(const char* name, const QString& caption, const OptionButton& first,
                                const OptionButton& second);
    QGroupBox* buildLimitGroup(const char* name, const QString& caption, Box tach, Box speedo);
    void setKeyboardOrder();
    bool validate(Box box);
    void applyAndSave(Box box, float value);
    float& settingOf(Box box);
    QLineEdit* boxAt(Box box) const { return boxes_[box]; }

    DisplayOptionsServices services_;
    std::array<QLineEdit*, BoxCount> boxes_{};
    bool validating_ = false;

    QRadioButton* optTPSPercentDisplay_ = nullptr;
    QRadioButton* optTPSAnalogDisplay_ = nullptr;
    QRadioButton* optInput1AnalogDisplay_ = nullptr;
    QRadioButton* optInput1AFRDisplay_ = nullptr;
    QRadioButton* optInput2AnalogDisplay_ = nullptr;
    QRadioButton* optInput2AFRDisplay_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
};

}  // namespace tarvik
