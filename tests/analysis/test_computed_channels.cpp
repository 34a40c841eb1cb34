// Computed channels: the series functions and the expressions on small made-up logs with
// hand-computed values (ends and gaps included), the checks' messages and positions, the
// ready-made channels on a made-up pass, a long list and a long expression, and the figures
// between the cursors.
#include <QtTest>
#include <cmath>
#include <limits>

#include "analysis/computed_channels.h"
#include "analysis/cursor_stats.h"
#include "pass_logs.h"

using namespace tarvik;

namespace {

constexpr double E = std::numeric_limits<double>::quiet_NaN();  // an empty sample

// The small log: five samples at uneven times.
const QList<double> kTimes{0.5, 1.0, 2.0, 2.5, 3.5};
const QList<double> kRpm{0, 10, 30, 60, 100};
const QList<double> kVss{0, 10, 20, 20, 10};

std::shared_ptr<DataBuffer> smallLog(const QList<double>& rpm, const QList<double>& vss) {
    auto data = std::make_shared<DataBuffer>();
    data->clearDataBuffer();
    data->rows = static_cast<int>(kTimes.size());
    for (int row = 1; row <= data->rows; ++row) {
        const auto k = static_cast<qsizetype>(row - 1);
        data->at(Column::ElapsedTime, row) = static_cast<float>(kTimes[k]);
        data->at(Column::RPM, row) = static_cast<float>(rpm[k]);
        data->at(Column::VSS, row) = static_cast<float>(vss[k]);
        data->at(Column::Input1Volts, row) = 0.5F * static_cast<float>(row);
        data->at(Column::BatVolts, row) = 13.8F;
    }
    // Padding after the used rows must never be read.
    data->at(Column::RPM, data->rows + 1) = 9999;
    data->bufferEmpty = false;
    return data;
}

std::vector<ComputedChannel> numbered(const QStringList& expressions) {
    std::vector<ComputedChannel> list;
    for (const QString& e : expressions) {
        list.push_back({QStringLiteral("c%1").arg(list.size() + 1), QString(), e});
    }
    return list;
}

// Empty where expected empty, else equal to a relative 1e-9 (or `tolerance`).
QString differences(const Series& got, const QList<double>& want, double tolerance = 1e-9) {
    if (got.size() != static_cast<std::size_t>(want.size())) {
        return QStringLiteral("%1 samples, expected %2").arg(got.size()).arg(want.size());
    }
    for (qsizetype k = 0; k < want.size(); ++k) {
        const double g = got[static_cast<std::size_t>(k)];
        const double w = want[k];
        const bool same = std::isnan(w)
                              ? std::isnan(g)
                              : std::fabs(g - w) <= tolerance * std::max(1.0, std::fabs(w));
        if (!same) {
            return QStringLiteral("sample %1 is %2, expected %3").arg(k).arg(g).arg(w);
        }
    }
    return QString();
}

ChannelProblem problemOf(const QString& expression) {
    // Channel 2 of 3: "Above" may be used, "Self" and "Below" may not.
    const std::vector<ComputedChannel> list{{QStringLiteral("Above"), {}, QStringLiteral("rpm")},
                                            {QStringLiteral("Self"), {}, QString()},
                                            {QStringLiteral("Below"), {}, QStringLiteral("vss")}};
    const auto p = checkChannel(list, 1, {QStringLiteral("Self"), QString(), expression});
    return p.value_or(ChannelProblem{});
}

}  // namespace

class TestComputedChannels : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void evaluatesExpressions_data();
    void evaluatesExpressions();
    void refusesBadExpressions_data();
    void refusesBadExpressions();
    void checksNamesAndUnits_data();
    void checksNamesAndUnits();
    void readyMadeChannelsOnAPass_data();
    void readyMadeChannelsOnAPass();
    void setMarksBadChannelsAndWhatUsesThem();
    void twoHundredChannelsAndALongExpression();
    void variablesAsSeries_data();
    void variablesAsSeries();
    void statisticsBetweenCursors_data();
    void statisticsBetweenCursors();
    void statisticsText();
};

void TestComputedChannels::evaluatesExpressions_data() {
    QTest::addColumn<QStringList>("expressions");  // channels c1, c2...; the last is compared
    QTest::addColumn<QList<double>>("rpm");
    QTest::addColumn<QList<double>>("vss");
    QTest::addColumn<QList<double>>("expected");
    const QList<double> rpmGap{0, 10, E, 60, 100};
    const QList<double> vssGap{0, 10, E, 20, 10};
    const double m = 0.621388;
    // Central differences inside, one-sided at the ends: (10-0)/0.5, (30-0)/1.5, (60-10)/1.5,
    // (100-30)/1.5, (100-60)/1.
    QTest::newRow("ddt, ends one-sided") << QStringList{"ddt(rpm)"} << kRpm << kVss
                                         << QList<double>{20, 20, 50.0 / 1.5, 70.0 / 1.5, 40};
    QTest::newRow("ddt, a gap and its neighbours empty")
        << QStringList{"ddt(rpm)"} << rpmGap << kVss << QList<double>{20, E, E, E, 40};
    // Trapezoids: 0, 5 x 0.5, + 15 x 1, + 20 x 0.5, + 15 x 1.
    QTest::newRow("integ from 0") << QStringList{"integ(vss)"} << kRpm << kVss
                                  << QList<double>{0, 2.5, 17.5, 27.5, 42.5};
    QTest::newRow("integ, empty from a gap on")
        << QStringList{"integ(vss)"} << kRpm << vssGap << QList<double>{0, 2.5, E, E, E};
    QTest::newRow("smooth 3, two samples at the ends")
        << QStringList{"smooth(rpm, 3)"} << kRpm << kVss
        << QList<double>{5, 40.0 / 3, 100.0 / 3, 190.0 / 3, 80};
    QTest::newRow("smooth 4 is smooth 5") << QStringList{"smooth(rpm, 4)"} << kRpm << kVss
                                          << QList<double>{40.0 / 3, 25, 40, 50, 190.0 / 3};
    QTest::newRow("smooth 1 is the series") << QStringList{"smooth(rpm,1)"} << kRpm << kVss << kRpm;
    QTest::newRow("smooth wider than the log")
        << QStringList{"smooth(rpm, 2700)"} << kRpm << kVss << QList<double>{40, 40, 40, 40, 40};
    QTest::newRow("smooth leaves a gap out of the mean, and empty")
        << QStringList{"smooth(rpm, 3)"} << rpmGap << kVss << QList<double>{5, 5, E, 80, 80};
    QTest::newRow("division by zero is empty") << QStringList{"1 / (rpm - 10)"} << kRpm << kVss
                                               << QList<double>{-0.1, E, 0.05, 0.02, 1.0 / 90};
    QTest::newRow("all divided by zero")
        << QStringList{"rpm / 0"} << kRpm << kVss << QList<double>{E, E, E, E, E};
    QTest::newRow("log of 0 and sqrt of negatives are empty")
        << QStringList{"log(rpm) + sqrt(10 - rpm)"} << kRpm << kVss
        << QList<double>{E, std::log(10.0), E, E, E};
    QTest::newRow("if-then-else") << QStringList{"rpm > 20 ? 1 : (rpm == 10 ? 2 : 0)"} << kRpm
                                  << kVss << QList<double>{0, 2, 1, 1, 1};
    QTest::newRow("built-ins and constants") << QStringList{"min(rpm, 50) + abs(-1) + _pi - _pi"}
                                             << kRpm << kVss << QList<double>{1, 11, 31, 51, 51};
    QTest::newRow("an empty value makes an empty result")
        << QStringList{"rpm / max(mph, 1)"} << kRpm << vssGap
        << QList<double>{0, 10 / (10 * m), E, 60 / (20 * m), 100 / (10 * m)};
    QTest::newRow("a channel above, and its derivative")
        << QStringList{"rpm * 2", "ddt(c1) - c1"} << kRpm << kVss
        << QList<double>{40, 20, 100.0 / 1.5 - 60, 140.0 / 1.5 - 120, -120};
    QTest::newRow("smooth of a channel above")
        << QStringList{"rpm / 10", "smooth(c1, 3)"} << kRpm << kVss
        << QList<double>{0.5, 4.0 / 3, 10.0 / 3, 19.0 / 3, 8};
    QTest::newRow("the same call twice")
        << QStringList{"ddt(rpm) - ddt( rpm )"} << kRpm << kVss << QList<double>{0, 0, 0, 0, 0};
    QTest::newRow("time and air/fuel")
        << QStringList{"t + afr1"} << kRpm << kVss << QList<double>{11.5, 13, 15, 16.5, 18.5};
    QTest::newRow("spaces and line breaks")
        << QStringList{" rpm\t+\r\n1 "} << kRpm << kVss << QList<double>{1, 11, 31, 61, 101};
}

void TestComputedChannels::evaluatesExpressions() {
    QFETCH(QStringList, expressions);
    QFETCH(QList<double>, rpm);
    QFETCH(QList<double>, vss);
    QFETCH(QList<double>, expected);
    const ComputedChannelSet set(numbered(expressions));
    const QString problem = set.problems().empty() ? QString() : set.problems().front().message;
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    const std::vector<Series> out = set.evaluate(*smallLog(rpm, vss));
    QCOMPARE(out.size(), static_cast<std::size_t>(expressions.size()));
    const QString diff = differences(out.back(), expected);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestComputedChannels::refusesBadExpressions_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << "  " << -1 << "The expression is empty.";
    QTest::newRow("too long") << QString(kMaxExpressionLength + 1, u'1') << -1
                              << "The expression is longer than 10240 characters.";
    QTest::newRow("ends too soon")
        << "rpm +" << 5
        << "The expression ends too soon: a value, a name or a function was expected at its end.";
    QTest::newRow("two operators")
        << "1 + * 2" << 4
        << "Unexpected \"*\" at character 5: a value, a name, a function or \"(\" was expected.";
    QTest::newRow("two names") << "rpm rpm" << 4
                               << "Unexpected \"rpm\" at character 5: an operator was expected "
                                  "before it.";
    QTest::newRow("two numbers") << "3 4" << 2
                                 << "Unexpected \"4\" at character 3: an operator was expected "
                                    "before it.";
    QTest::newRow("a series call after a number")
        << "5 ddt(rpm)" << 2
        << "Unexpected \"ddt(rpm)\" at character 3: an operator was expected before it.";
    QTest::newRow("unclosed") << "max(rpm, (2" << 3
                              << "The \"(\" at character 4 is not closed: \")\" expected.";
    QTest::newRow("closes nothing") << "rpm)" << 3
                                    << "Unexpected \")\" at character 4: there is no \"(\" for it "
                                       "to close.";
    QTest::newRow("empty parentheses")
        << "rpm * ()" << 7
        << "Unexpected \")\" at character 8: a value, a name or a function was expected before it.";
    QTest::newRow("unknown variable")
        << "rpm + foo" << 6 << "Unknown variable \"foo\" at character 7.";
    QTest::newRow("unknown function")
        << "foo(3)" << 0 << "Unknown function \"foo\" at character 1.";
    QTest::newRow("function without parentheses")
        << "max + 1" << 0 << "\"(\" expected right after the function name \"max\" at character 1.";
    QTest::newRow("space before the parenthesis")
        << "ddt (rpm)" << 0
        << "\"(\" expected right after the function name \"ddt\" at character 1.";
    QTest::newRow("too many arguments")
        << "sin(1, 2)" << 8
        << "Too many arguments for \"sin\" at character 9: it takes 1 argument.";
    QTest::newRow("too few arguments")
        << "atan2(1)" << 7
        << "Too few arguments for \"atan2\" at character 8: it takes 2 arguments.";
    QTest::newRow("comma outside a function")
        << "1, 2" << 1
        << "Unexpected \",\" at character 2: a comma only separates the arguments of a function.";
    QTest::newRow("comma in plain parentheses")
        << "2 * (1, 2)" << 6
        << "Unexpected \",\" at character 7: a comma only separates the arguments of a function.";
    QTest::newRow("assignment") << "rpm = 3" << 4
                                << "Unexpected \"=\" at character 5: \"==\" compares two values.";
    QTest::newRow("if without else")
        << "rpm > 1 ? 1" << 8
        << "The \"?\" at character 9 has no \":\" after it: write condition ? value : other value.";
    QTest::newRow("colon without if") << "1 : 2" << 2
                                      << "Unexpected \":\" at character 3: a \":\" belongs after a "
                                         "\"?\", as in condition ? value "
                                         ": other value.";
    QTest::newRow("single ampersand")
        << "rpm & 1" << 4
        << "Unexpected \"&\" at character 5: an operator (+ - * / ^ == != < <= > >= && || ? :), a "
           "value or a name was expected.";
    QTest::newRow("number too large")
        << "rpm + 1e400" << 6
        << "The number \"1e400\" at character 7 cannot be read: numbers are written as in 12, 0.5 "
           "or 1.5e3, within 1e308.";
    QTest::newRow("number without its exponent")
        << "2 * 1e" << 4
        << "The number \"1e\" at character 5 cannot be read: numbers are written as in 12, 0.5 or "
           "1.5e3, within 1e308.";
    QTest::newRow("strange character")
        << "rpm # 2" << 4 << "Unexpected character \"#\" at character 5.";
    QTest::newRow("dollar") << "$1$$$$" << 0 << "Unexpected character \"$\" at character 1.";
    QTest::newRow("quote") << "\"rpm\"" << 0 << "Unexpected character \"\"\" at character 1.";
    QTest::newRow("not ASCII") << "rpm \u00b7 2" << 4
                               << "Unexpected character \"\u00b7\" at character 5.";
    QTest::newRow("control character")
        << QStringLiteral("rpm\x01") << 3 << "Unexpected character U+0001 at character 4.";
    QTest::newRow("itself") << "Self * 2" << 0
                            << "The channel cannot use itself (\"Self\" at "
                               "character 1).";
    QTest::newRow("a channel below")
        << "Above + Below" << 8
        << "The channel \"Below\" at character 9 comes below this one: a channel can use only the "
           "channels above it.";
    QTest::newRow("series of itself")
        << "ddt(Self)" << 4 << "The channel cannot use itself (\"Self\" at character 5).";
    QTest::newRow("series of an expression")
        << "ddt(rpm * 2)" << 4
        << "A variable or channel name expected at character 5: \"ddt\" works on a variable or a "
           "channel above this one, not on an expression.";
    QTest::newRow("series of nothing")
        << "integ( )" << 7
        << "A variable or channel name expected at character 8: \"integ\" works on a variable or "
           "a channel above this one, not on an expression.";
    QTest::newRow("series of a function name")
        << "ddt(max)" << 4
        << "A variable or channel name expected at character 5: \"ddt\" works on a variable or a "
           "channel above this one, not on an expression.";
    QTest::newRow("series of an unknown name")
        << "integ(foo)" << 6 << "Unknown variable \"foo\" at character 7.";
    QTest::newRow("ddt with two arguments")
        << "ddt(rpm, 2)" << 7
        << "\")\" expected at character 8: \"ddt\" takes one name, as in ddt(rpm).";
    QTest::newRow("smooth without n")
        << "smooth(rpm)" << 10
        << "\",\" expected at character 11: smooth takes a name and a sample count, as in "
           "smooth(rpm, 5).";
    QTest::newRow("smooth with three")
        << "smooth(rpm, 3, 4)" << 13
        << "\")\" expected at character 14: \"smooth\" takes a name and a sample count, as in "
           "smooth(rpm, 5).";
    const QString badN = QStringLiteral(
        "The sample count at character 13 must be a whole number from 1 to 2700, as in "
        "smooth(rpm, 5).");
    QTest::newRow("n zero") << "smooth(rpm, 0)" << 12 << badN;
    QTest::newRow("n fraction") << "smooth(rpm, 2.5)" << 12 << badN;
    QTest::newRow("n negative") << "smooth(rpm, -3)" << 12 << badN;
    QTest::newRow("n too large") << "smooth(rpm, 2701)" << 12 << badN;
    QTest::newRow("n huge") << "smooth(rpm, 99999999999999999999)" << 12 << badN;
    QTest::newRow("n a name") << "smooth(rpm, tps)" << 12 << badN;
    QTest::newRow("unclosed series call")
        << "1 + smooth(rpm, 3" << 10 << "The \"(\" at character 11 is not closed: \")\" expected.";
    QTest::newRow("the first of two faults")
        << "foo + 1 + * 2" << 0 << "Unknown variable \"foo\" at character 1.";
    QTest::newRow("a syntax fault before an unknown name")
        << "1 + * foo" << 4
        << "Unexpected \"*\" at character 5: a value, a name, a function or \"(\" was expected.";
}

void TestComputedChannels::refusesBadExpressions() {
    QFETCH(QString, expression);
    QFETCH(int, position);
    QFETCH(QString, message);
    const ChannelProblem p = problemOf(expression);
    QCOMPARE(p.message, message);
    QCOMPARE(p.position, position);
    QCOMPARE(p.channel, 1);
    // The set refuses it the same way, and evaluates it to empty samples.
    const ComputedChannelSet set({{QStringLiteral("Self"), QString(), expression}});
    QCOMPARE(set.problems().size(), std::size_t{1});
    const Series s = set.evaluate(*smallLog(kRpm, kVss)).front();
    QVERIFY(std::all_of(s.begin(), s.end(), [](double v) { return std::isnan(v); }));
}

void TestComputedChannels::checksNamesAndUnits_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("message");  // empty: sound
    QTest::newRow("plain") << "Boost_2"
                           << "psi"
                           << "";
    QTest::newRow("underscore first") << "_x"
                                      << ""
                                      << "";
    QTest::newRow("64 characters") << QString(64, u'a') << QString(32, u'u') << "";
    QTest::newRow("case differs from a variable") << "RPM"
                                                  << ""
                                                  << "";
    QTest::newRow("no name") << ""
                             << ""
                             << "The channel has no name.";
    QTest::newRow("65 characters")
        << QString(65, u'a') << ""
        << "The name \"" + QString(64, u'a') + "...\" is longer than 64 characters.";
    QTest::newRow("digit first") << "2fast"
                                 << ""
                                 << "The name \"2fast\" may hold only letters, digits and "
                                    "underscores, and may not begin with a digit.";
    QTest::newRow("space") << "Boost psi"
                           << ""
                           << "The name \"Boost psi\" may hold only letters, digits and "
                              "underscores, and may not begin with a digit.";
    QTest::newRow("accented letter") << "D\u00e9bit"
                                     << ""
                                     << "The name \"D\u00e9bit\" may hold only letters, digits "
                                        "and underscores, and may not begin with a digit.";
    QTest::newRow("a variable") << "mph"
                                << ""
                                << "\"mph\" is the name of a variable.";
    QTest::newRow("a series function") << "smooth"
                                       << ""
                                       << "\"smooth\" is the name of a function.";
    QTest::newRow("a muparser function") << "sqrt"
                                         << ""
                                         << "\"sqrt\" is the name of a function.";
    QTest::newRow("a constant") << "_pi"
                                << ""
                                << "\"_pi\" is the name of a constant.";
    QTest::newRow("the channel above") << "Above"
                                       << ""
                                       << "Another channel is already named \"Above\".";
    QTest::newRow("the channel below") << "Below"
                                       << ""
                                       << "Another channel is already named \"Below\".";
    QTest::newRow("unit too long")
        << "Boost" << QString(33, u'u') << "The unit is longer than 32 characters.";
    QTest::newRow("unit with a tab") << "Boost"
                                     << "p\tsi"
                                     << "The unit may not hold tabs or line breaks.";
    QTest::newRow("unit with a line break") << "Boost"
                                            << "psi\n"
                                            << "The unit may not hold tabs or line breaks.";
}

void TestComputedChannels::checksNamesAndUnits() {
    QFETCH(QString, name);
    QFETCH(QString, unit);
    QFETCH(QString, message);
    const std::vector<ComputedChannel> list{{QStringLiteral("Above"), {}, QStringLiteral("rpm")},
                                            {QStringLiteral("Mine"), {}, QStringLiteral("1")},
                                            {QStringLiteral("Below"), {}, QStringLiteral("vss")}};
    const auto p = checkChannel(list, 1, {name, unit, QStringLiteral("rpm * 2")});
    QCOMPARE(p ? p->message : QString(), message);
    if (p) {
        QCOMPARE(p->position, -1);
    }
}

void TestComputedChannels::readyMadeChannelsOnAPass_data() {
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("row");
    QTest::addColumn<double>("expected");
    // The made-up pass: standing until 5 s, then 8 m/s², logged every 0.125 s (row 56 at 7 s:
    // 57.6 km/h, 3940 rpm, 16 m from the start).
    QTest::newRow("acceleration in g") << 0 << 56 << 8 / 9.80665;
    QTest::newRow("acceleration standing") << 0 << 10 << 0.0;
    QTest::newRow("distance in ft") << 1 << 56 << 16 * 3.28084;
    QTest::newRow("distance at the start") << 1 << 1 << 0.0;
    QTest::newRow("engine/road ratio") << 2 << 56 << 3940 / (57.6 * 0.621388);
    QTest::newRow("engine/road ratio standing") << 2 << 10 << 900.0;
    QTest::newRow("rpm rate") << 3 << 56 << 25 * 8 * 3.6;
}

void TestComputedChannels::readyMadeChannelsOnAPass() {
    QFETCH(int, channel);
    QFETCH(int, row);
    QFETCH(double, expected);
    const std::vector<ComputedChannel>& ready = readyMadeChannels();
    QCOMPARE(ready.size(), std::size_t{4});
    for (std::size_t i = 0; i < ready.size(); ++i) {
        const std::vector<ComputedChannel> before(ready.begin(),
                                                  ready.begin() + static_cast<long>(i));
        QVERIFY(!checkChannel(before, static_cast<int>(i), ready[i]));
    }
    const ComputedChannelSet set(ready);
    QVERIFY(set.problems().empty());
    const std::vector<Series> out = set.evaluate(*test::passLog(0.125F, {test::Run{}}));
    const double got = out[static_cast<std::size_t>(channel)][static_cast<std::size_t>(row - 1)];
    // The log holds singles: 57.6 km/h is kept as 57.5999985.
    QVERIFY2(std::fabs(got - expected) <= 1e-5 * std::max(1.0, std::fabs(expected)),
             qPrintable(
                 QStringLiteral("%1, expected %2").arg(got, 0, 'g', 12).arg(expected, 0, 'g', 12)));
}

void TestComputedChannels::setMarksBadChannelsAndWhatUsesThem() {
    const ComputedChannelSet set({{QStringLiteral("A"), {}, QStringLiteral("rpm + ")},
                                  {QStringLiteral("B"), {}, QStringLiteral("rpm")},
                                  {QStringLiteral("B"), {}, QStringLiteral("vss +")},
                                  {QStringLiteral("C"), {}, QStringLiteral("B + smooth(A, 3)")}});
    const std::vector<ChannelProblem>& p = set.problems();
    QCOMPARE(p.size(), std::size_t{3});
    QCOMPARE(p[0].channel, 0);
    QCOMPARE(p[1].channel, 2);
    // The name is judged before the expression.
    QCOMPARE(p[1].message, QStringLiteral("Another channel is already named \"B\"."));
    QCOMPARE(p[2].channel, 3);
    QCOMPARE(p[2].position, 11);
    QCOMPARE(p[2].message,
             QStringLiteral("The channel \"A\" at character 12 has a problem of its own."));
    const std::vector<Series> out = set.evaluate(*smallLog(kRpm, kVss));
    QVERIFY(differences(out[1], kRpm).isEmpty());
    QVERIFY(differences(out[3], {E, E, E, E, E}).isEmpty());
    // A number muparser cannot read is found where it stands alone, not inside a name.
    QCOMPARE(checkChannel({{QStringLiteral("x1e"), {}, QStringLiteral("rpm")}}, 1,
                          {QStringLiteral("y"), {}, QStringLiteral("x1e * 1e")})
                 ->position,
             6);
    // Out of the list's range is a problem, not a crash.
    QCOMPARE(checkChannel({}, 1, readyMadeChannels().front())->message,
             QStringLiteral("There is no place 2 in the list of 0 channels."));
    QCOMPARE(checkChannel({}, -1, readyMadeChannels().front())->channel, -1);
}

void TestComputedChannels::twoHundredChannelsAndALongExpression() {
    // Each channel uses the one above it, and smooths it: 200 passes over the log.
    std::vector<ComputedChannel> list{{QStringLiteral("c1"), {}, QStringLiteral("rpm")}};
    for (int i = 2; i <= 200; ++i) {
        list.push_back({QStringLiteral("c%1").arg(i),
                        {},
                        QStringLiteral("c%1 + 1 + smooth(c%1, 1) - c%1").arg(i - 1)});
    }
    // About 10 KB: rpm + 1 + 1 ... within the limit.
    QString longest = QStringLiteral("rpm");
    while (longest.size() + 4 <= kMaxExpressionLength) {
        longest += QStringLiteral(" + 1");
    }
    const double ones = static_cast<double>((longest.size() - 3) / 4);
    list.push_back({QStringLiteral("Longest"), {}, longest});
    QVERIFY(!checkChannel(list, 200, list.back()));
    const ComputedChannelSet set(list);
    QVERIFY(set.problems().empty());
    const std::vector<Series> out = set.evaluate(*smallLog(kRpm, kVss));
    QVERIFY(differences(out[199], {199, 209, 229, 259, 299}).isEmpty());
    QVERIFY(differences(out[200], {ones, 10 + ones, 30 + ones, 60 + ones, 100 + ones}).isEmpty());
    // The list has a limit, as a guard against a runaway settings file.
    std::vector<ComputedChannel> many(kMaxComputedChannels, {QStringLiteral("x"), {}, {}});
    QCOMPARE(
        checkChannel(many, kMaxComputedChannels, {QStringLiteral("y"), {}, QStringLiteral("1")})
            ->message,
        QStringLiteral("There can be at most 1000 computed channels."));
}

void TestComputedChannels::variablesAsSeries_data() {
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QList<double>>("expected");
    QTest::newRow("t") << "t" << kTimes;
    QTest::newRow("mph") << "mph" << QList<double>{0, 6.21388, 12.42776, 12.42776, 6.21388};
    QTest::newRow("afr1") << "afr1" << QList<double>{11, 12, 13, 14, 15};
    QTest::newRow("bat") << "bat" << QList<double>{13.8, 13.8, 13.8, 13.8, 13.8};
    QTest::newRow("not a variable") << "RPM" << QList<double>{E, E, E, E, E};
}

void TestComputedChannels::variablesAsSeries() {
    QFETCH(QString, variable);
    QFETCH(QList<double>, expected);
    QCOMPARE(channelVariables(),
             QStringList({"t", "rpm", "vss", "mph", "tps", "in1v", "in2v", "afr1", "afr2", "bat",
                          "inputs", "outputs", "status", "pwm1", "pwm2"}));
    const QString diff =
        differences(variableSeries(*smallLog(kRpm, kVss), variable), expected, 1e-6);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    // A value that is not finite in the log is an empty sample.
    auto data = smallLog(kRpm, kVss);
    data->at(Column::RPM, 2) = std::numeric_limits<float>::infinity();
    QVERIFY(std::isnan(variableSeries(*data, QStringLiteral("rpm"))[1]));
}

void TestComputedChannels::statisticsBetweenCursors_data() {
    QTest::addColumn<QList<double>>("series");
    QTest::addColumn<int>("rowA");
    QTest::addColumn<int>("rowB");
    QTest::addColumn<QList<double>>("expected");  // min, max, mean, change
    const QList<double> s{5, 1, E, 9, 3};
    QTest::newRow("A before B") << s << 1 << 4 << QList<double>{1, 9, 5, 4};
    QTest::newRow("A after B") << s << 4 << 1 << QList<double>{1, 9, 5, -4};
    QTest::newRow("one row") << s << 2 << 2 << QList<double>{1, 1, 1, 0};
    QTest::newRow("B on an empty sample") << s << 1 << 3 << QList<double>{1, 5, 3, E};
    QTest::newRow("only empty samples") << s << 3 << 3 << QList<double>{E, E, E, E};
    QTest::newRow("past the held rows") << s << 4 << 2700 << QList<double>{3, 9, 6, E};
    QTest::newRow("before the first row") << s << 0 << 2 << QList<double>{1, 5, 3, E};
    QTest::newRow("nothing held") << QList<double>{} << 1 << 5 << QList<double>{E, E, E, E};
    QTest::newRow("far apart rows")
        << s << std::numeric_limits<int>::min() << std::numeric_limits<int>::max()
        << QList<double>{1, 9, 4.5, E};
    QTest::newRow("huge values") << QList<double>{1e308, 1e308} << 1 << 2
                                 << QList<double>{1e308, 1e308, 1e308, 0};
}

void TestComputedChannels::statisticsBetweenCursors() {
    QFETCH(QList<double>, series);
    QFETCH(int, rowA);
    QFETCH(int, rowB);
    QFETCH(QList<double>, expected);
    const SeriesStats st = statsBetween(Series(series.begin(), series.end()), rowA, rowB);
    const QString diff = differences({st.min, st.max, st.mean, st.change}, expected);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestComputedChannels::statisticsText() {
    const QString text = statsText({QStringLiteral("RPM"), QStringLiteral("Acceleration")},
                                   {QString(), QStringLiteral("g\tforce")},
                                   {{900, 6500.5, 3700.25, 5600}, {-0.1, 1.0 / 3, E, E}});
    QCOMPARE(text, QStringLiteral("Channel\tUnit\tMinimum\tMaximum\tMean\tChange B - A\n"
                                  "RPM\t\t900\t6500.5\t3700.25\t5600\n"
                                  "Acceleration\tg force\t-0.1\t0.333333\t\t\n"));
    // A short list leaves its fields empty rather than reading past it.
    QCOMPARE(statsText({QStringLiteral("A")}, {}, {}),
             QStringLiteral("Channel\tUnit\tMinimum\tMaximum\tMean\tChange B - A\nA\t\t\t\t\t\n"));
}

QTEST_GUILESS_MAIN(TestComputedChannels)
#include "test_computed_channels.moc"
