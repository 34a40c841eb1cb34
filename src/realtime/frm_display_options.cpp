#include "realtime/frm_display_options.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/number_format.h"
#include "common/number_parse.h"
#include "common/rounding.h"
#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "realtime/real_time_panel.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

namespace tarvik {

struct FrmDisplayOptions::BoxRule {
    const char* objectName;
    double low;
    double high;
    const char* lowText;
    const char* highText;
    const char* title;
    const char* pattern;
    const char* key;
    bool isMaximum;
    Box partner;
    bool tachometer;
};

const FrmDisplayOptions::BoxRule& FrmDisplayOptions::rule(Box box) {
    static const std::array<BoxRule, BoxCount> rules = {{
        {"txtTachRedline", 4000, 19000, "Value must be greater than 4000",
         "Value must be less than or equal to 19000", "Tachometer Redline", "#####",
         settings_keys::kTachRedline, false, TachMax, true},
        {"txtTachMax", 5000, 20000, "Value must be greater than 5000",
         "Value must be less than or equal to 20000", "Tachometer Maximum Value", "#####",
         settings_keys::kTachMax, true, TachRedline, true},
        {"txtSpeedoRedline", 55, 240, "Value must be greater than 55",
         "Value must be less than or equal to 240", "Speedometer Redline", "###",
         settings_keys::kSpeedoRedline, false, SpeedoMax, false},
        {"txtSpeedoMax", 55, 250, "Value must be greater than 55",
         "Value must be less than or equal to 250", "Speedometer Maximum Value", "###",
         settings_keys::kSpeedoMax, true, SpeedoRedline, false},
    }};
    return rules[box];
}

FrmDisplayOptions::FrmDisplayOptions(DisplayOptionsServices services, QWidget* parent)
    : QDialog(parent), services_(services) {
    setObjectName(QStringLiteral("frmDisplayOptions"));
    setWindowTitle(QStringLiteral("Real Time Display Options"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    build();
    Form_Load();
}

FrmDisplayOptions::~FrmDisplayOptions() = default;

void FrmDisplayOptions::build() {
    QGroupBox* tps = buildOptionGroup(
        "fraTPS", QStringLiteral("Throttle Position (TPS)"),
        {&optTPSPercentDisplay_, "optTPSPercentDisplay", QStringLiteral("Percent (0-100)")},
        {&optTPSAnalogDisplay_, "optTPSAnalogDisplay", QStringLiteral("Analog (0-5V)")});
    QGroupBox* redlines = buildLimitGroup("fraRedlines", QStringLiteral("Gauge Redlines"),
                                          TachRedline, SpeedoRedline);
    QGroupBox* maxima =
        buildLimitGroup("fraMaxValues", QStringLiteral("Gauge Maximum Values"), TachMax, SpeedoMax);
    QGroupBox* input1 = buildOptionGroup(
        "fraInput1", QStringLiteral("Input 1"),
        {&optInput1AnalogDisplay_, "optInput1AnalogDisplay", QStringLiteral("Analog (0-5V)")},
        {&optInput1AFRDisplay_, "optInput1AFRDisplay", QStringLiteral("AFR")});
    QGroupBox* input2 = buildOptionGroup(
        "fraInput2", QStringLiteral("Input 2"),
        {&optInput2AnalogDisplay_, "optInput2AnalogDisplay", QStringLiteral("Analog (0-5V)")},
        {&optInput2AFRDisplay_, "optInput2AFRDisplay", QStringLiteral("AFR")});

    cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);
    cmdOK_->setMinimumWidth(96);
    connect(cmdOK_, &QPushButton::clicked, this, &FrmDisplayOptions::cmdOK_Click);

    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(12);
    grid->addWidget(tps, 0, 0);
    grid->addWidget(redlines, 0, 1);
    grid->addWidget(maxima, 0, 2);
    grid->addWidget(input1, 1, 0);
    grid->addWidget(input2, 1, 1);
    grid->addWidget(cmdOK_, 1, 2, Qt::AlignRight | Qt::AlignBottom);
    // Three even columns.
    int width = 0;
    for (QGroupBox* g : {tps, redlines, maxima, input1, input2}) {
        width = std::max(width, g->sizeHint().width());
    }
    for (int column = 0; column < 3; ++column) {
        grid->setColumnMinimumWidth(column, width);
    }
    setKeyboardOrder();
}

QGroupBox* FrmDisplayOptions::buildOptionGroup(const char* name, const QString& caption,
                                               const OptionButton& first,
                                               const OptionButton& second) {
    auto* group = new QGroupBox(caption, this);
    group->setObjectName(QLatin1String(name));
    auto* layout = new QVBoxLayout(group);
    for (const OptionButton* option : {&first, &second}) {
        *option->button = new QRadioButton(option->caption, group);
        (*option->button)->setObjectName(QLatin1String(option->name));
        layout->addWidget(*option->button);
    }
    layout->addStretch(1);
    return group;
}

QGroupBox* FrmDisplayOptions::buildLimitGroup(const char* name, const QString& caption, Box tach,
                                              Box speedo) {
    auto* group = new QGroupBox(caption, this);
    group->setObjectName(QLatin1String(name));
    auto* form = new QFormLayout(group);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (Box b : {tach, speedo}) {
        auto* edit = new QLineEdit(group);
        edit->setObjectName(QLatin1String(rule(b).objectName));
        edit->setMaxLength(12);
        edit->setFixedWidth(72);
        edit->setAlignment(Qt::AlignRight);
        edit->installEventFilter(this);
        boxes_[b] = edit;
        auto* label = new QLabel(
            b == tach ? QStringLiteral("Tachometer") : QStringLiteral("Speedometer"), group);
        label->setObjectName(QStringLiteral("lbl") + QLatin1String(rule(b).objectName).mid(3));
        label->setBuddy(edit);
        form->addRow(label, edit);
    }
    return group;
}

void FrmDisplayOptions::setKeyboardOrder() {
    // Throttle, redlines, maxima, input 1, input 2, OK.
    const QWidget* order[] = {optTPSPercentDisplay_,
                              optTPSAnalogDisplay_,
                              boxes_[TachRedline],
                              boxes_[SpeedoRedline],
                              boxes_[TachMax],
                              boxes_[SpeedoMax],
                              optInput1AnalogDisplay_,
                              optInput1AFRDisplay_,
                              optInput2AnalogDisplay_,
                              optInput2AFRDisplay_,
                              cmdOK_};
    for (size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));
    }
}

void FrmDisplayOptions::Form_Load() {
    const Settings& s = services_.settings;
    ErrorTrap trap(services_.dialogs);
    trap.run([&] {
        (s.tpsPercentDisplay ? optTPSPercentDisplay_ : optTPSAnalogDisplay_)->setChecked(true);
        (s.input1AnalogDisplay ? optInput1AnalogDisplay_ : optInput1AFRDisplay_)->setChecked(true);
        (s.input2AnalogDisplay ? optInput2AnalogDisplay_ : optInput2AFRDisplay_)->setChecked(true);
    });
    trap.run([&] {
        for (Box b : {TachRedline, TachMax, SpeedoRedline, SpeedoMax}) {
            boxAt(b)->setText(formatPattern(settingOf(b), QLatin1String(rule(b).pattern)));
        }
    });
}

float& FrmDisplayOptions::settingOf(Box box) {
    Settings& s = services_.settings;
    switch (box) {
        case TachRedline:
            return s.tachRedline;
        case TachMax:
            return s.tachMax;
        case SpeedoRedline:
            return s.speedoRedline;
        default:
            return s.speedoMax;
    }
}

bool FrmDisplayOptions::txtTachRedline_Validate() {
    return validate(TachRedline);
}
bool FrmDisplayOptions::txtTachMax_Validate() {
    return validate(TachMax);
}
bool FrmDisplayOptions::txtSpeedoRedline_Validate() {
    return validate(SpeedoRedline);
}
bool FrmDisplayOptions::txtSpeedoMax_Validate() {
    return validate(SpeedoMax);
}

void FrmDisplayOptions::applyAndSave(Box box, float value) {
    const BoxRule& r = rule(box);
    RealTimePanel& panel = services_.panel;
    if (r.tachometer) {
        const float dial = RealTimePanel::tachDialValue(value);
        r.isMaximum ? panel.setTachMax(dial) : panel.setTachRedline(dial);
    } else {
        const float dial = RealTimePanel::speedoDialValue(value);
        r.isMaximum ? panel.setSpeedoMax(dial) : panel.setSpeedoRedline(dial);
    }
    services_.store.writeWhole(r.key, value);
}

bool FrmDisplayOptions::validate(Box box) {
    if (validating_) {
        return true;
    }
    validating_ = true;
    const BoxRule& r = rule(box);
    QLineEdit* edit = boxAt(box);
    bool inBounds = true;
    double value = 0;
    ErrorTrap trap(services_.dialogs);
    auto complain = [&](const char* text) {
        services_.dialogs.message(QLatin1String(r.title), QLatin1String(text), MsgIcon::Exclamation,
                                  MsgButtons::Ok);
        inBounds = false;
    };
    trap.run([&] { value = leadingNumber(edit->text()); });
    trap.run([&] {
        if (value < r.low) {
            complain(r.lowText);
            value = r.low;  // the bound itself is accepted, whatever the message says
        }
    });
    trap.run([&] {
        if (value > r.high) {
            complain(r.highText);
            value = r.high;
        }
    });
    const auto whole = static_cast<float>(wholePart(value));
    trap.run([&] {
        settingOf(box) = whole;
        edit->setText(formatPattern(whole, QLatin1String(r.pattern)));
    });
    trap.run([&] {  // keep redline <= maximum on this dial
        float& partner = settingOf(r.partner);
        const bool crossed = r.isMaximum ? whole < partner : whole > partner;
        if (crossed) {
            partner = whole;
            boxAt(r.partner)->setText(edit->text());
            applyAndSave(r.partner, partner);
        }
    });
    trap.run([&] { applyAndSave(box, whole); });
    if (!inBounds) {
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
    }
    validating_ = false;
    return inBounds;
}

bool FrmDisplayOptions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // A box only counts as left when the focus moved to another control of this dialog;
        // a message box or another window taking the focus is not leaving it.
        const bool left =
            reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isVisible();
        for (int b = 0; b < BoxCount && left; ++b) {
            if (watched == boxes_[b]) {
                validate(static_cast<Box>(b));
                break;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmDisplayOptions::cmdOK_Click() {
    // A box still holding the focus (OK by the Enter key) has not been validated yet.
    for (int b = 0; b < BoxCount; ++b) {
        if (boxes_[b]->hasFocus() && !validate(static_cast<Box>(b))) {
            return;
        }
    }
    Settings& s = services_.settings;
    ErrorTrap trap(services_.dialogs);
    trap.run([&] {
        s.tpsPercentDisplay = optTPSPercentDisplay_->isChecked();
        s.input1AnalogDisplay = optInput1AnalogDisplay_->isChecked();
        s.input2AnalogDisplay = optInput2AnalogDisplay_->isChecked();
        services_.panel.chooseGauges(s.tpsPercentDisplay, s.input1AnalogDisplay,
                                     s.input2AnalogDisplay);
    });
    trap.run(
        [&] { services_.store.writeBool(settings_keys::kTpsPercentDisplay, s.tpsPercentDisplay); });
    trap.run([&] {
        services_.store.writeBool(settings_keys::kInput1AnalogDisplay, s.input1AnalogDisplay);
    });
    trap.run([&] {
        services_.store.writeBool(settings_keys::kInput2AnalogDisplay, s.input2AnalogDisplay);
    });
    accept();  // also after Abort
}

}  // namespace tarvik
