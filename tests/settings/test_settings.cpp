#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "core/app_error.h"
#include "memory_settings.h"
#include "platform/qsettings_backing.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

using namespace tarvik;

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void badValueNamesKeyAndFile();
    void convertsToInt16_data();
    void convertsToInt16();
    void convertsToBoolean_data();
    void convertsToBoolean();
    void convertsToSingle_data();
    void convertsToSingle();
    void readsDefaultsForMissingKeys();
    void writesPlainText();
    void nativeStoreLivesInTheUserConfigFolder();
    void iniFileHoldsPropertiesSection();
    void refusedWriteIsReported();
};

namespace {
// Code 0 means "converts"; otherwise the AppError code expected.
constexpr int kOk = 0;
constexpr int kMismatch = static_cast<int>(AppError::kTypeMismatch);
constexpr int kOverflow = static_cast<int>(AppError::kOverflow);

template <typename F>
int errorCodeOf(F&& f) {
    try {
        f();
    } catch (const AppError& e) {
        return static_cast<int>(e.code());
    }
    return kOk;
}
}  // namespace

void TestSettings::convertsToInt16_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("expected");
    QTest::newRow("plain") << "1" << kOk << 1;
    QTest::newRow("blanks around") << " 7 " << kOk << 7;
    QTest::newRow("negative") << "-5" << kOk << -5;
    QTest::newRow("half to even down") << "12.5" << kOk << 12;
    QTest::newRow("half to even up") << "13.5" << kOk << 14;
    QTest::newRow("fraction") << "8000.9" << kOk << 8001;
    QTest::newRow("exponent") << "1e3" << kOk << 1000;
    QTest::newRow("largest") << "32767" << kOk << 32767;
    QTest::newRow("smallest") << "-32768" << kOk << -32768;
    QTest::newRow("rounds past largest") << "32767.5" << kOverflow << 0;
    QTest::newRow("too large") << "40000" << kOverflow << 0;
    QTest::newRow("letters") << "abc" << kMismatch << 0;
    QTest::newRow("trailing letters") << "12abc" << kMismatch << 0;
    QTest::newRow("empty") << "" << kMismatch << 0;
    QTest::newRow("blank") << "   " << kMismatch << 0;
    QTest::newRow("10000 digits") << QString(10000, u'9') << kOverflow << 0;
    QTest::newRow("10000 letters") << QString(10000, u'x') << kMismatch << 0;
}

void TestSettings::convertsToInt16() {
    QFETCH(QString, text);
    QFETCH(int, error);
    QFETCH(int, expected);
    qint16 value = 0;
    QCOMPARE(errorCodeOf([&] { value = settings_convert::toInt16(text); }), error);
    if (error == kOk) {
        QCOMPARE(static_cast<int>(value), expected);
    }
}

void TestSettings::convertsToBoolean_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("expected");
    QTest::newRow("True") << "True" << kOk << true;
    QTest::newRow("False") << "False" << kOk << false;
    QTest::newRow("any case") << "tRUE" << kOk << true;
    QTest::newRow("zero") << "0" << kOk << false;
    QTest::newRow("one") << "1" << kOk << true;
    QTest::newRow("minus one") << "-1" << kOk << true;
    QTest::newRow("fraction") << "0.5" << kOk << true;
    QTest::newRow("yes is not a boolean") << "yes" << kMismatch << false;
    QTest::newRow("empty") << "" << kMismatch << false;
}

void TestSettings::convertsToBoolean() {
    QFETCH(QString, text);
    QFETCH(int, error);
    QFETCH(bool, expected);
    bool value = !expected;
    QCOMPARE(errorCodeOf([&] { value = settings_convert::toBoolean(text); }), error);
    if (error == kOk) {
        QCOMPARE(value, expected);
    }
}

void TestSettings::convertsToSingle_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("error");
    QTest::addColumn<float>("expected");
    QTest::newRow("whole") << "6500" << kOk << 6500.0f;
    QTest::newRow("fraction") << "12345.9" << kOk << 12345.9f;
    QTest::newRow("above the dialog's range") << "25000" << kOk << 25000.0f;
    QTest::newRow("too large for a single") << "1e39" << kOverflow << 0.0f;
    QTest::newRow("letters") << "fast" << kMismatch << 0.0f;
}

void TestSettings::convertsToSingle() {
    QFETCH(QString, text);
    QFETCH(int, error);
    QFETCH(float, expected);
    float value = 0;
    QCOMPARE(errorCodeOf([&] { value = settings_convert::toSingle(text); }), error);
    if (error == kOk) {
        QCOMPARE(value, expected);
    }
}

void TestSettings::readsDefaultsForMissingKeys() {
    test::MemorySettings backing;
    SettingsStore store(backing);
    QCOMPARE(store.readInt16(settings_keys::kCommPort, settings_defaults::kCommPort), qint16(1));
    QCOMPARE(store.readSingle(settings_keys::kTachRedline, settings_defaults::kTachRedline),
             6500.0f);
    QCOMPARE(store.readBool(settings_keys::kTpsPercentDisplay, true), true);
    QVERIFY(backing.writes.isEmpty());
    backing.set(QStringLiteral("Tach_Max"), QStringLiteral("12000"));
    QCOMPARE(store.readSingle(settings_keys::kTachMax, settings_defaults::kTachMax), 12000.0f);
}

void TestSettings::writesPlainText() {
    test::MemorySettings backing;
    SettingsStore store(backing);
    store.writeWhole(settings_keys::kTachRedline, 6500.0);
    store.writeWhole(settings_keys::kTachMax, 12345.9);
    store.writeBool(settings_keys::kInput2AnalogDisplay, false);
    store.writeBool(settings_keys::kTpsPercentDisplay, true);
    QCOMPARE(backing.writes,
             (QStringList{"Tach_Redline=6500", "Tach_Max=12345", "Input2_Analog_Display=False",
                          "TPS_Percent_Display=True"}));
    QCOMPARE(errorCodeOf([&] { store.writeWhole(settings_keys::kTachMax, std::nan("")); }),
             kOverflow);
}

void TestSettings::nativeStoreLivesInTheUserConfigFolder() {
    // CTest points XDG_CONFIG_HOME at a folder of this test's own.
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty()) {
        QSKIP("run through CTest, which sets XDG_CONFIG_HOME");
    }
    QSettingsBacking backing;
    QCOMPARE(backing.location(), configHome + QStringLiteral("/Tarvik/Tarvik.conf"));
    backing.write(QStringLiteral("Properties"), QStringLiteral("CommPort"), QStringLiteral("3"));
    QCOMPARE(QSettingsBacking().read(QStringLiteral("Properties"), QStringLiteral("CommPort")),
             std::optional<QString>(QStringLiteral("3")));
}

void TestSettings::iniFileHoldsPropertiesSection() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Tarvik.conf"));
    {
        QSettingsBacking backing(path);
        SettingsStore store(backing);
        store.writeWhole(settings_keys::kCommPort, 1);
        store.writeBool(settings_keys::kTpsPercentDisplay, true);
    }
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    QVERIFY2(text.contains("[Properties]"), text.constData());
    QVERIFY2(text.contains("CommPort=1"), text.constData());
    QVERIFY2(text.contains("TPS_Percent_Display=True"), text.constData());

    // A hand-edited value with a comma still reads back as the text it is.
    QFile edit(path);
    QVERIFY(edit.open(QIODevice::Append));
    edit.write("Tach_Max=1,2\n");
    edit.close();
    QSettingsBacking again(path);
    QCOMPARE(again.read(QStringLiteral("Properties"), QStringLiteral("Tach_Max")),
             std::optional<QString>(QStringLiteral("1,2")));
}

void TestSettings::refusedWriteIsReported() {
    test::MemorySettings backing;
    backing.refuseWrites = true;
    SettingsStore store(backing);
    QCOMPARE(errorCodeOf([&] { store.writeBool(settings_keys::kTpsPercentDisplay, true); }),
             static_cast<int>(AppError::kSettingsWrite));
}

void TestSettings::badValueNamesKeyAndFile() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Tarvik.conf"));
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Properties]\nTach_Max=lots\nMaxRPMDisplay=40000\n");
    }
    QSettingsBacking backing(file);
    SettingsStore store(backing);
    auto descriptionOf = [](const std::function<void()>& read) {
        try {
            read();
        } catch (const AppError& e) {
            return e.description();
        }
        return QString();
    };
    QCOMPARE(descriptionOf([&] { store.readSingle(settings_keys::kTachMax, 1); }),
             QStringLiteral("Type mismatch\r\nSetting: Tach_Max = lots\r\nSettings file: ") + file);
    QCOMPARE(
        descriptionOf([&] { store.readInt16(settings_keys::kMaxRPMDisplay, 1); }),
        QStringLiteral("Overflow\r\nSetting: MaxRPMDisplay = 40000\r\nSettings file: ") + file);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
