#include <QtTest>

#include "core/app_error.h"
#include "logdata/data_buffer.h"
#include "logdata/fram_decoder.h"

using namespace tarvik;
namespace L = fram_layout;

namespace {

void setRingStart(FramBuffer& fram, int start) {
    fram.set(L::kRingStartLow, static_cast<quint8>(start & 0xFF));
    fram.set(L::kRingStartHigh, static_cast<quint8>((start >> 8) & 0xFF));
}

// Marks every slot with its own number in the engine-speed bytes, so a row tells which slot it
// came from.
void markSlots(FramBuffer& fram) {
    for (int slot = 0; slot < L::kRecordCount; ++slot) {
        const int a = L::kRingBase + slot * L::kRecordSize;
        fram.set(a, static_cast<quint8>(slot & 0xFF));
        fram.set(a + 1, static_cast<quint8>(slot >> 8));
    }
}

int slotOfRow(const DataBuffer& b, int row) {
    return static_cast<int>(b.at(Column::RPM, row));
}

// One record in slot 0 with the ring starting there.
DataBuffer decodeOne(const std::array<quint8, 12>& record, FramDecodeSettings settings) {
    auto fram = std::make_unique<FramBuffer>();
    setRingStart(*fram, L::kRingBase);
    for (int i = 0; i < 12; ++i) {
        fram->set(L::kRingBase + i, record[static_cast<std::size_t>(i)]);
    }
    DataBuffer b;
    decodeFram(*fram, settings, b);
    return b;
}

}  // namespace

class TestFramDecoder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ring_data();
    void ring();
    void ringStartPastImageIsReported();
    void ringStartJustInsideWrapsIntoHeader();
    void tpsRange();
    void tpsPercent_data();
    void tpsPercent();
    void volts_data();
    void volts();
    void rpm_data();
    void rpm();
    void vss();
    void bitsAndPwmAsLogged();
    void elapsedTimes();
    void elapsedTimesInterval2();
};

void TestFramDecoder::ring_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QList<int>>("rows");       // rows to check
    QTest::addColumn<QList<int>>("fromSlots");  // the slot each must come from
    QTest::newRow("368 plain order") << 368 << QList<int>{1, 2, 2700} << QList<int>{0, 1, 2699};
    QTest::newRow("32756 wraps after row 1")
        << 32756 << QList<int>{1, 2, 3, 2700} << QList<int>{2699, 0, 1, 2698};
    QTest::newRow("slot 100") << 368 + 12 * 100 << QList<int>{1, 2600, 2601, 2700}
                              << QList<int>{100, 2699, 0, 99};
}

void TestFramDecoder::ring() {
    QFETCH(int, start);
    QFETCH(QList<int>, rows);
    QFETCH(QList<int>, fromSlots);
    auto fram = std::make_unique<FramBuffer>();
    markSlots(*fram);
    setRingStart(*fram, start);
    QCOMPARE(ringStart(*fram), start);
    DataBuffer b;
    decodeFram(*fram, FramDecodeSettings{}, b);
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(slotOfRow(b, rows[i]), fromSlots[i]);
        QCOMPARE(recordAddress(start, rows[i]), 368 + 12 * fromSlots[i]);
    }
    // Every slot is used exactly once.
    QSet<int> seen;
    for (int row = 1; row <= kDataRows; ++row) {
        seen.insert(slotOfRow(b, row));
    }
    QCOMPARE(seen.size(), kDataRows);
}

void TestFramDecoder::ringStartPastImageIsReported() {
    // 65535 puts record 1 at 33135: past the image, so nothing may be read there.
    for (int start : {65535, 40000, 32769}) {
        auto fram = std::make_unique<FramBuffer>();
        setRingStart(*fram, start);
        DataBuffer b;
        bool thrown = false;
        try {
            decodeFram(*fram, FramDecodeSettings{}, b);
        } catch (const AppError& e) {
            thrown = true;
            QCOMPARE(e.code(), AppError::kSubscriptOutOfRange);
            QVERIFY(e.description().startsWith(QStringLiteral("Subscript out of range")));
            QVERIFY(e.description().contains(QString::number(start)));
        }
        QVERIFY2(thrown, qPrintable(QString::number(start)));
    }
}

void TestFramDecoder::ringStartJustInsideWrapsIntoHeader() {
    // 32768 is the highest start whose records all stay inside the image.
    auto fram = std::make_unique<FramBuffer>();
    setRingStart(*fram, 32768);
    DataBuffer b;
    decodeFram(*fram, FramDecodeSettings{}, b);
    QCOMPARE(recordAddress(32768, 1), 368);
    QCOMPARE(recordAddress(32768, 2700), 32756);
}

void TestFramDecoder::tpsRange() {
    QCOMPARE(TPSRange({26.0f, 230.0f}), 204.0f);
    QCOMPARE(TPSRange({40.0f, 40.0f}), 0.1f);
    QCOMPARE(TPSRange({230.0f, 26.0f}), -204.0f);
}

void TestFramDecoder::tpsPercent_data() {
    QTest::addColumn<float>("zero");
    QTest::addColumn<float>("full");
    QTest::addColumn<int>("b");
    QTest::addColumn<float>("percent");
    QTest::newRow("26/230 b26") << 26.0f << 230.0f << 26 << 0.0f;
    QTest::newRow("26/230 b128") << 26.0f << 230.0f << 128 << 50.0f;
    QTest::newRow("26/230 b230") << 26.0f << 230.0f << 230 << 100.0f;
    QTest::newRow("26/230 b255 clamped") << 26.0f << 230.0f << 255 << 100.0f;
    QTest::newRow("26/230 b0 clamped") << 26.0f << 230.0f << 0 << 0.0f;
    QTest::newRow("12.5 tie to even") << 0.0f << 200.0f << 25 << 12.0f;
    QTest::newRow("13.5 tie to even") << 0.0f << 200.0f << 27 << 14.0f;
    QTest::newRow("equal above") << 40.0f << 40.0f << 41 << 100.0f;
    QTest::newRow("equal at") << 40.0f << 40.0f << 40 << 0.0f;
    QTest::newRow("equal below") << 40.0f << 40.0f << 39 << 0.0f;
}

void TestFramDecoder::tpsPercent() {
    QFETCH(float, zero);
    QFETCH(float, full);
    QFETCH(int, b);
    QFETCH(float, percent);
    FramDecodeSettings s;
    s.tpsScaleFactors = {zero, full};
    const DataBuffer d = decodeOne({0, 0, 0, static_cast<quint8>(b), 0, 0, 0, 0, 0, 0, 0, 0}, s);
    QCOMPARE(d.at(Column::TPSPercent, 1), percent);
}

void TestFramDecoder::volts_data() {
    QTest::addColumn<int>("b");
    QTest::addColumn<float>("input");
    QTest::addColumn<float>("battery");
    QTest::newRow("255") << 255 << 5.0f << 18.0f;
    QTest::newRow("128") << 128 << 2.5f << 9.0f;  // 2.5098 and 9.035
    QTest::newRow("0") << 0 << 0.0f << 0.0f;
    QTest::newRow("51") << 51 << 1.0f << 3.6f;
}

void TestFramDecoder::volts() {
    QFETCH(int, b);
    QFETCH(float, input);
    QFETCH(float, battery);
    const auto v = static_cast<quint8>(b);
    const DataBuffer d = decodeOne({0, 0, 0, 0, v, v, v, 0, 0, 0, 0, 0}, FramDecodeSettings{});
    QCOMPARE(d.at(Column::Input1Volts, 1), input);
    QCOMPARE(d.at(Column::Input2Volts, 1), input);
    QCOMPARE(d.at(Column::BatVolts, 1), battery);
}

void TestFramDecoder::rpm_data() {
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<bool>("doubled");
    QTest::addColumn<float>("rpm");
    QTest::newRow("10000") << 0x10 << 0x27 << false << 10000.0f;
    QTest::newRow("20000 doubled") << 0x10 << 0x27 << true << 20000.0f;
    QTest::newRow("65535") << 0xFF << 0xFF << false << 65535.0f;
    QTest::newRow("131070 doubled") << 0xFF << 0xFF << true << 131070.0f;
}

void TestFramDecoder::rpm() {
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(bool, doubled);
    QFETCH(float, rpm);
    FramDecodeSettings s;
    s.rpmDouble = doubled;
    const DataBuffer d = decodeOne(
        {static_cast<quint8>(low), static_cast<quint8>(high), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, s);
    QCOMPARE(d.at(Column::RPM, 1), rpm);
}

void TestFramDecoder::vss() {
    FramDecodeSettings s;
    QCOMPARE(decodeOne({0, 0, 100, 0, 0, 0, 0, 0, 0, 0, 0, 0}, s).at(Column::VSS, 1), 100.0f);
    s.vssInMph = true;
    QCOMPARE(decodeOne({0, 0, 100, 0, 0, 0, 0, 0, 0, 0, 0, 0}, s).at(Column::VSS, 1),
             static_cast<float>(100 * 1.6093));
    QCOMPARE(decodeOne({0, 0, 35, 0, 0, 0, 0, 0, 0, 0, 0, 0}, s).at(Column::VSS, 1),
             static_cast<float>(35 * 1.6093));
}

void TestFramDecoder::bitsAndPwmAsLogged() {
    const DataBuffer d =
        decodeOne({0, 0, 0, 0, 0, 0, 0, 0x07, 0x1F, 3, 255, 128}, FramDecodeSettings{});
    QCOMPARE(d.at(Column::InputData, 1), 7.0f);
    QCOMPARE(d.at(Column::OutputData, 1), 31.0f);
    QCOMPARE(d.at(Column::Status, 1), 3.0f);
    QCOMPARE(d.at(Column::Stage1PWM, 1), 255.0f);
    QCOMPARE(d.at(Column::Stage2PWM, 1), 128.0f);
}

void TestFramDecoder::elapsedTimes() {
    DataBuffer b;
    b.logInterval = static_cast<float>(1 * 0.016);
    fillElapsedTimes(b);
    QCOMPARE(b.at(Column::ElapsedTime, 1), 0.02f);
    QCOMPARE(b.at(Column::ElapsedTime, 2), 0.03f);
    QCOMPARE(b.at(Column::ElapsedTime, 3), 0.05f);
    QCOMPARE(b.at(Column::ElapsedTime, 4), 0.06f);
    QCOMPARE(b.at(Column::ElapsedTime, 2700), 43.2f);
}

void TestFramDecoder::elapsedTimesInterval2() {
    DataBuffer b;
    b.logInterval = static_cast<float>(125 * 0.016);
    QCOMPARE(b.logInterval, 2.0f);
    fillElapsedTimes(b);
    QCOMPARE(b.at(Column::ElapsedTime, 1), 2.0f);
    QCOMPARE(b.at(Column::ElapsedTime, 2700), 5400.0f);
}

QTEST_GUILESS_MAIN(TestFramDecoder)
#include "test_fram_decoder.moc"
