#pragma once

#include <QColor>
#include <QGroupBox>
#include <QString>
#include <initializer_list>

class QFrame;
class QGridLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace tarvik {

class BarGauge;
class DialGauge;
class Lamp;
struct Settings;

/// The real-time panel `fraRealTimeData` ("Real Time Data"): six gauges in the top row (throttle,
/// input 1, input 2, tachometer, speedometer, battery), and below them the INPUTS and OUTPUTS
/// lamps, the two stage duty-cycle gauges, the controller status and the "Close" button.
///
/// The panel only displays: it holds no state beyond what its controls show, and it never talks
/// to the controller. The poll cycle feeds it readings through the show... operations; the
/// options dialog and the main window choose gauges and set the dial limits.
///
/// Every control carries its design name as objectName (gauTPSPercent, gauTPSVolts,
/// gauInput1Analog, gauInput1AFR, gauInput2Analog, gauInput2AFR, gauTach, gauSpeedometer,
/// gauBatVolts, gauStage1PWM, gauStage2PWM, lblStage1, lblStage2, lblInputs, lblOutputs,
/// shpLED_GPI, shpLED_PurgeIn, shpLED_ArmIn, shpLED_Stage1Sol, shpLED_Stage2Sol, shpLED_GPO,
/// shpLED_PurgeSol, shpLED_StatusLED, lblStatusLegend, lblStatus, cmdCloseRealTimeData), so
/// tests and other windows find them with findChild.
class RealTimePanel : public QGroupBox {
    Q_OBJECT

public:
    explicit RealTimePanel(QWidget* parent = nullptr);
    ~RealTimePanel() override;

    /// The text of a controller status code: 0 "Power Off", 1 "Power On - Not Armed",
    /// 2 "Auto Purge", 3 and 4 "Ready", 5 "Timeout", 6 "Power Ground Fault", else "Invalid".
    static QString statusText(int code);

    /// Throttle in percent (single precision): at or below 0 the gauge shows section 0 at 0; up
    /// to 90 section 0 at p; up to 100 section 1 at p; above 100 section 1 at 100.
    void showThrottlePercent(float percent);
    /// Throttle voltage on gauTPSVolts.
    void showThrottleVolts(double volts);
    /// Supply voltage on gauBatVolts.
    void showBatteryVolts(double volts);
    /// Engine speed in rpm: needle at rpm / 1000 (single precision), read-out "####0", then the
    /// dial's refresh setting 3.
    void showEngineSpeed(double rpm);
    /// Road speed in mph: needle at the value, read-out "##0", then the refresh setting 3.
    void showRoadSpeed(double mph);
    /// Voltage of analog input 1 or 2 on gauInput1Analog / gauInput2Analog.
    /// Any other input number throws AppError (subscript out of range).
    void showInputVolts(int input, double volts);
    /// Air/fuel ratio of input 1 or 2 on gauInput1AFR / gauInput2AFR.
    /// Any other input number throws AppError (subscript out of range).
    void showInputAfr(int input, double afr);
    /// The controller's input bit byte: GPI (0x04) lit when CLEAR, PURGE INPUT (0x02) and
    /// ARM INPUT (0x01) lit when set. Other bits are ignored.
    void showInputBits(int bits);
    /// The output bit byte: STAGE 1 (0x01), STAGE 2 (0x02), GPO (0x04), STATUS LED (0x08) and
    /// PURGE SOLENOID (0x10) lit when set. Other bits are ignored.
    void showOutputBits(int bits);
    /// Stage output duty cycles in percent on gauStage1PWM and gauStage2PWM.
    void showDutyCycles(double stage1, double stage2);
    /// The caption of lblStatus (may hold a line break, as "Ready\r\nTPS Volts: 1.25").
    void showStatus(const QString& text);
    QString status() const;
    /// The recording lamp lblRecording: a red "REC" and the recording's length while a
    /// recording runs, hidden otherwise.
    void showRecording(bool on, const QString& elapsed);
    /// No readings come in (the serial adapter has gone): the recording lamp says so, in amber,
    /// for as long as the gap lasts.
    void showReadingsInterrupted(bool interrupted);

    /// Which gauge of each pair is visible: gauTPSPercent or gauTPSVolts, gauInput1Analog or
    /// gauInput1AFR, gauInput2Analog or gauInput2AFR. Exactly one of each pair is visible.
    void chooseGauges(bool tpsPercent, bool input1Analog, bool input2Analog);
    /// Shows or hides the stage group (gauStage1PWM, gauStage2PWM, lblStage1, lblStage2):
    /// shown only for a "QX-2" controller.
    void setStageGroupVisible(bool visible);

    /// The four dial limits in dial units: tachometer in thousands of rpm, speedometer in mph.
    void setDialLimits(float tachRedline, float tachMax, float speedoRedline, float speedoMax);
    void setTachRedline(float thousands);
    void setTachMax(float thousands);
    void setSpeedoRedline(float mph);
    void setSpeedoMax(float mph);
    /// Conversions from the stored settings to dial units: rpm / 1000 rounded to one decimal
    /// (ties to even), and the speedometer's whole part.
    static float tachDialValue(float rpmSetting);
    static float speedoDialValue(float setting);
    /// All four limits from the in-memory settings, converted as above.
    void applyDialSettings(const Settings& settings);

    /// The rest states, in this order: status text empty; gauTPSPercent and gauTPSVolts section
    /// 0 and pointer 0; gauInput1Analog 0; gauInput1AFR second selector 0 and pointer 15;
    /// gauInput2Analog 0; gauInput2AFR second selector 0 and pointer 15; gauTach needle 0,
    /// refresh 3, read-out "0" ("###0"); gauSpeedometer needle 0, refresh 3, read-out "0"
    /// ("##0"); gauBatVolts 0; GPI lit and the other seven lamps dark; both stage gauges 0.
    /// Hidden gauges are reset too.
    void reset();

    // The controls, for the poll cycle's tests and the screenshots.
    BarGauge& gauTPSPercent() { return *gauTPSPercent_; }
    BarGauge& gauTPSVolts() { return *gauTPSVolts_; }
    BarGauge& gauInput1Analog() { return *gauInput1Analog_; }
    BarGauge& gauInput1AFR() { return *gauInput1AFR_; }
    BarGauge& gauInput2Analog() { return *gauInput2Analog_; }
    BarGauge& gauInput2AFR() { return *gauInput2AFR_; }
    BarGauge& gauBatVolts() { return *gauBatVolts_; }
    BarGauge& gauStage1PWM() { return *gauStage1PWM_; }
    BarGauge& gauStage2PWM() { return *gauStage2PWM_; }
    DialGauge& gauTach() { return *gauTach_; }
    DialGauge& gauSpeedometer() { return *gauSpeedometer_; }
    QLabel& lblStatus() { return *lblStatus_; }
    QPushButton& cmdCloseRealTimeData() { return *cmdCloseRealTimeData_; }

signals:
    /// The "Close" button was pressed; the monitor stops.
    void closeRequested();

private:
    /// One lamp of a lamp group: where to keep it, its objectName, caption and first colour.
    struct LampRow {
        Lamp** lamp;
        const char* name;
        const char* caption;
        QColor initial;
    };

    void build();
    QFrame* buildDashboard();
    QGridLayout* buildTopRow(QWidget* dash);
    QGridLayout* buildLampGroup(QWidget* dash, const char* headingName, const QString& heading,
                                std::initializer_list<LampRow> rows);
    QGridLayout* buildStageGauges(QWidget* dash);
    QVBoxLayout* buildStatusColumn(QWidget* dash);
    void showInitialState();

    BarGauge* gauTPSPercent_ = nullptr;
    BarGauge* gauTPSVolts_ = nullptr;
    BarGauge* gauInput1Analog_ = nullptr;
    BarGauge* gauInput1AFR_ = nullptr;
    BarGauge* gauInput2Analog_ = nullptr;
    BarGauge* gauInput2AFR_ = nullptr;
    BarGauge* gauBatVolts_ = nullptr;
    BarGauge* gauStage1PWM_ = nullptr;
    BarGauge* gauStage2PWM_ = nullptr;
    DialGauge* gauTach_ = nullptr;
    DialGauge* gauSpeedometer_ = nullptr;
    QLabel* lblStage1_ = nullptr;
    QLabel* lblStage2_ = nullptr;
    Lamp* shpLED_GPI_ = nullptr;
    Lamp* shpLED_PurgeIn_ = nullptr;
    Lamp* shpLED_ArmIn_ = nullptr;
    Lamp* shpLED_Stage1Sol_ = nullptr;
    Lamp* shpLED_Stage2Sol_ = nullptr;
    Lamp* shpLED_GPO_ = nullptr;
    Lamp* shpLED_PurgeSol_ = nullptr;
    Lamp* shpLED_StatusLED_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QLabel* lblRecording_ = nullptr;
    QString recordingElapsed_;
    bool readingsInterrupted_ = false;
    QPushButton* cmdCloseRealTimeData_ = nullptr;
};

}  // namespace tarvik
