#include <QtTest>
#include <clocale>
#include <cmath>

#include "common/number_format.h"
#include "common/number_parse.h"
#include "common/rounding.h"

using namespace tarvik;

class TestCommon : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundsHalvesToEven_data();
    void roundsHalvesToEven();
    void wholePartRoundsDown();
    void formatsPatterns_data();
    void formatsPatterns();
    void parsesLeadingNumbers_data();
    void parsesLeadingNumbers();
    void writesSevenSignificantDigits_data();
    void writesSevenSignificantDigits();
    void writesSignificantDigits_data();
    void writesSignificantDigits();
    void numbersIgnoreTheUserLocale();
};

void TestCommon::roundsHalvesToEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("places");
    QTest::addColumn<double>("expected");
    QTest::newRow("0.5 -> 0") << 0.5 << 0 << 0.0;
    QTest::newRow("1.5 -> 2") << 1.5 << 0 << 2.0;
    QTest::newRow("2.5 -> 2") << 2.5 << 0 << 2.0;
    QTest::newRow("-2.5 -> -2") << -2.5 << 0 << -2.0;
    QTest::newRow("-3.5 -> -4") << -3.5 << 0 << -4.0;
    QTest::newRow("12.5 -> 12") << 12.5 << 0 << 12.0;
    QTest::newRow("2.6 -> 3") << 2.6 << 0 << 3.0;
    QTest::newRow("-0.4 -> -0") << -0.4 << 0 << 0.0;
    QTest::newRow("0.125 to 2 -> 0.12") << 0.125 << 2 << 0.12;
    QTest::newRow("0.375 to 2 -> 0.38") << 0.375 << 2 << 0.38;
    QTest::newRow("9.0352941 to 1 -> 9.0") << 128 * 18.0 / 255 << 1 << 9.0;
    QTest::newRow("43.2 row 2700") << 2700 * static_cast<double>(0.016f) << 2 << 43.2;
    QTest::newRow("6.5 thousands") << 6.5 << 1 << 6.5;
    QTest::newRow("large stays") << 1e300 << 2 << 1e300;
}

void TestCommon::roundsHalvesToEven() {
    QFETCH(double, value);
    QFETCH(int, places);
    QFETCH(double, expected);
    QCOMPARE(roundHalfEven(value, places), expected);
}

void TestCommon::wholePartRoundsDown() {
    QCOMPARE(wholePart(12345.9), 12345.0);
    QCOMPARE(wholePart(-0.5), -1.0);
    QCOMPARE(wholePart(7.0), 7.0);
    QVERIFY(std::isnan(roundHalfEven(std::nan(""), 0)));
}

void TestCommon::formatsPatterns_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");
    QTest::newRow("####0 12345") << 12345.0 << "####0"
                                 << "12345";
    QTest::newRow("####0 zero") << 0.0 << "####0"
                                << "0";
    QTest::newRow("###0 zero") << 0.0 << "###0"
                               << "0";
    QTest::newRow("##0 99.6") << 99.6 << "##0"
                              << "100";
    QTest::newRow("##0 62.1388") << 62.1388 << "##0"
                                 << "62";
    QTest::newRow("##0 tie 2.5") << 2.5 << "##0"
                                 << "2";
    QTest::newRow("##0 tie 3.5") << 3.5 << "##0"
                                 << "4";
    QTest::newRow("#0.0 12.25") << 12.25 << "#0.0"
                                << "12.2";
    QTest::newRow("#0.0 0.04") << 0.04 << "#0.0"
                               << "0.0";
    QTest::newRow("##0.0 12.3") << 12.3 << "##0.0"
                                << "12.3";
    QTest::newRow("##0.0 negative") << -12.5 << "##0.0"
                                    << "-12.5";
    QTest::newRow("##0.0 tiny negative") << -0.01 << "##0.0"
                                         << "0.0";
    QTest::newRow("0.00 1.25") << 1.25 << "0.00"
                               << "1.25";
    QTest::newRow("0.00 zero") << 0.0 << "0.00"
                               << "0.00";
    QTest::newRow("0.00 0.05") << 0.05 << "0.00"
                               << "0.05";
    QTest::newRow("##### 6500") << 6500.0 << "#####"
                                << "6500";
    QTest::newRow("##### zero is empty") << 0.0 << "#####"
                                         << "";
    QTest::newRow("### 140") << 140.0 << "###"
                             << "140";
    QTest::newRow("#0 1") << 1.0 << "#0"
                          << "1";
    QTest::newRow("###0 negative") << -3.0 << "###0"
                                   << "-3";
    QTest::newRow("###0 wide") << 123456.0 << "###0"
                               << "123456";
    QTest::newRow("NaN") << std::nan("") << "###0"
                         << "NaN";
    QTest::newRow("inf") << HUGE_VAL << "###0"
                         << "Infinity";
    QTest::newRow("-inf") << -HUGE_VAL << "#0.0"
                          << "-Infinity";
}

void TestCommon::formatsPatterns() {
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(formatPattern(value, pattern), expected);
}

void TestCommon::parsesLeadingNumbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("plain") << "6500" << 6500.0;
    QTest::newRow("0.5") << "0.5" << 0.5;
    QTest::newRow(".5") << ".5" << 0.5;
    QTest::newRow("-.5") << "-.5" << -0.5;
    QTest::newRow("+2") << "+2" << 2.0;
    QTest::newRow("blanks inside") << " 1 2 . 5 " << 12.5;
    QTest::newRow("tab and sign") << "\t- 3" << -3.0;
    QTest::newRow("trailing text") << "12345.9abc" << 12345.9;
    QTest::newRow("second point stops") << "1.2.3" << 1.2;
    QTest::newRow("exponent") << "1.5E3" << 1500.0;
    QTest::newRow("D exponent") << "2d2" << 200.0;
    QTest::newRow("negative exponent") << "25e-1" << 2.5;
    QTest::newRow("dangling exponent") << "12E" << 12.0;
    QTest::newRow("dangling exponent sign") << "12e+" << 12.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("point only") << "." << 0.0;
    QTest::newRow("quoted") << "\"12\"" << 0.0;
    QTest::newRow("huge") << "1e999" << HUGE_VAL;
    QTest::newRow("huge negative") << "-1e999" << -HUGE_VAL;
    QTest::newRow("underflow") << "1e-999" << 0.0;
    QTest::newRow("long zeros underflow") << "0." + QString(400, u'0') + "1" << 0.0;
    QTest::newRow("long digits") << QString(400, u'9') << HUGE_VAL;
}

void TestCommon::parsesLeadingNumbers() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(leadingNumber(text), expected);
}

void TestCommon::writesSevenSignificantDigits_data() {
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("whole") << 6500.0f << "6500";
    QTest::newRow("zero") << 0.0f << "0";
    QTest::newRow("negative zero") << -0.0f << "0";
    QTest::newRow("2.5") << 2.5f << "2.5";
    QTest::newRow("13.8") << 13.8f << "13.8";
    QTest::newRow("0.016") << 0.016f << "0.016";
    QTest::newRow("43.2") << 43.2f << "43.2";
    QTest::newRow("half") << 0.5f << "0.5";
    QTest::newRow("negative") << -1.25f << "-1.25";
    QTest::newRow("seven digits") << 1234567.0f << "1234567";
    QTest::newRow("rounded to seven") << 12345678.0f << "12345680";
    QTest::newRow("fraction rounded") << 1.0f / 3.0f << "0.3333333";
    QTest::newRow("vss km/h") << static_cast<float>(100 * 1.6093) << "160.93";
    QTest::newRow("large, no exponent") << 1e20f << "100000000000000000000";
    QTest::newRow("tiny, no exponent") << 1e-7f << "0.0000001";
    QTest::newRow("NaN") << std::nanf("") << "NaN";
    QTest::newRow("inf") << HUGE_VALF << "Infinity";
}

void TestCommon::writesSevenSignificantDigits() {
    QFETCH(float, value);
    QFETCH(QString, expected);
    QCOMPARE(formatSingle(value), expected);
}

void TestCommon::writesSignificantDigits_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("expected");
    QTest::newRow("whole") << 6500.0 << 6 << "6500";
    QTest::newRow("six digits of a third") << 1.0 / 3.0 << 6 << "0.333333";
    QTest::newRow("acceleration in g") << 8.0 / 9.80665 << 6 << "0.815773";
    QTest::newRow("rounded up") << 2.0 / 3.0 << 6 << "0.666667";
    QTest::newRow("tie to even, down") << 1234565.0 << 6 << "1234560";
    QTest::newRow("tie to even, up") << 1234575.0 << 6 << "1234580";
    QTest::newRow("negative") << -0.0123456789 << 6 << "-0.0123457";
    QTest::newRow("negative zero") << -0.0 << 6 << "0";
    QTest::newRow("large, no exponent") << 1.5e20 << 6 << "150000000000000000000";
    QTest::newRow("tiny, no exponent") << 1.5e-7 << 6 << "0.00000015";
    QTest::newRow("one digit") << 0.96 << 1 << "1";
    QTest::newRow("digits held to 17") << 0.1 << 40 << "0.10000000000000001";
    QTest::newRow("NaN is an empty field") << std::nan("") << 6 << "";
    QTest::newRow("infinity is an empty field") << HUGE_VAL << 6 << "";
    QTest::newRow("minus infinity is an empty field") << -HUGE_VAL << 6 << "";
}

void TestCommon::writesSignificantDigits() {
    QFETCH(double, value);
    QFETCH(int, digits);
    QFETCH(QString, expected);
    QCOMPARE(formatSignificant(value, digits), expected);
}

void TestCommon::numbersIgnoreTheUserLocale() {
    // A user locale with a decimal comma must not change files or displays.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr &&
        std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr) {
        QSKIP("no locale with a decimal comma installed");
    }
    QCOMPARE(formatSingle(13.8f), QStringLiteral("13.8"));
    QCOMPARE(formatSignificant(-0.125), QStringLiteral("-0.125"));
    QCOMPARE(formatPattern(1.25, QStringLiteral("0.00")), QStringLiteral("1.25"));
    QCOMPARE(leadingNumber(u"2.5"), 2.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

QTEST_GUILESS_MAIN(TestCommon)
#include "test_common.moc"
