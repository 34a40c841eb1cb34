// The computed channels' settings array: a round trip through a real settings file in
// QSettings' array form, hand-edited arrays with holes and garbage (each fault reported once,
// the sound entries kept in order), and a store that refuses the write.
#include <QTemporaryDir>
#include <QtTest>

#include "analysis/computed_channels_store.h"
#include "core/app_error.h"
#include "memory_settings.h"
#include "platform/qsettings_backing.h"

using namespace tarvik;

class TestChannelStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void settingsArrayRoundTrip();
    void handEditedArray_data();
    void handEditedArray();
    void refusedSaveIsReported();
};

void TestChannelStore::settingsArrayRoundTrip() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Tarvik.conf"));
    std::vector<ComputedChannel> channels = readyMadeChannels();
    channels.push_back({QStringLiteral("Quoted"), QStringLiteral("a, \"b\"; c"),
                        QStringLiteral("max(rpm, 1) ; saved as given, refused when read")});
    {
        QSettingsBacking store(file);
        saveComputedChannels(store, channels);
    }
    QFile text(file);
    QVERIFY(text.open(QIODevice::ReadOnly));
    const QByteArray ini = text.readAll();
    QVERIFY(ini.contains("[MathChannels]"));
    QVERIFY(ini.contains("1\\name=Acceleration"));
    QVERIFY(ini.contains("size=5"));
    QSettingsBacking store(file);
    QCOMPARE(store.read(QStringLiteral("MathChannels"), QStringLiteral("2/expression")),
             readyMadeChannels()[1].expression);
    LoadedChannels loaded = loadComputedChannels(store);
    QCOMPARE(loaded.channels, readyMadeChannels());  // the unsound fifth is reported
    QVERIFY(loaded.problems.contains(QStringLiteral("Entry 5 (\"Quoted\"): Unexpected character")));
    // A shorter list leaves nothing of the longer one behind.
    saveComputedChannels(store, {readyMadeChannels()[3]});
    loaded = loadComputedChannels(store);
    QCOMPARE(loaded.channels, std::vector<ComputedChannel>{readyMadeChannels()[3]});
    QCOMPARE(loaded.problems, QString());
    QCOMPARE(store.keys(QStringLiteral("MathChannels")).size(), 4);
}

void TestChannelStore::handEditedArray_data() {
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<QStringList>("faults");  // the lines after the first
    QTest::newRow("empty store") << "" << QStringList{} << QStringList{};
    QTest::newRow("holes, garbage, duplicates")
        << "[MathChannels]\n"
           "1\\name=A\n1\\unit=g\n1\\expression=rpm\n"
           "3\\name=A\n3\\expression=vss\n"
           "4\\name=B\n4\\expression=A +\n"
           "5\\name=C\n5\\expression=A * 2\n5\\colour=red\n"
           "6\\unit=x\n"
           "7\\name=D\n"
           "9\\name=9lives\n9\\expression=1\n"
           "10\\name=E\n10\\expression=B\n"
           "07\\name=F\nfoo=bar\n"
           "size=4\n"
        << QStringList{"A", "C"}
        << QStringList{
               "- The entry count (size) is 4, but there are entries up to 10.",
               "- Entry 2 is missing.",
               "- Entry 8 is missing.",
               "- Keys that belong to no entry: 07/name, foo.",
               "- Entry 3 (\"A\"): Another channel is already named \"A\".",
               "- Entry 4 (\"B\"): The expression ends too soon: a value, a name or a function was "
               "expected at its end.",
               "- Entry 6 has no name.",
               "- Entry 7 (\"D\") has no expression.",
               "- Entry 9 (\"9lives\"): The name \"9lives\" may hold only letters, digits and "
               "underscores, and may not begin with a digit.",
               "- Entry 10 (\"E\"): Unknown variable \"B\" at character 1."};
    QTest::newRow("size not a number")
        << "[MathChannels]\nsize=lots\n1\\name=A\n1\\expression=1\n"
        << QStringList{"A"}
        << QStringList{"- The entry count (size) \"lots\" is not a whole number."};
    QTest::newRow("size beyond the entries")
        << "[MathChannels]\nsize=1000000\n1\\name=A\n1\\expression=1\n"
        << QStringList{"A"} << QStringList{"- Entries 2 to 1000000 are missing."};
    QTest::newRow("size missing") << "[MathChannels]\n2\\name=A\n2\\expression=1\n"
                                  << QStringList{"A"}
                                  << QStringList{"- The entry count (size) is missing.",
                                                 "- Entry 1 is missing."};
    QTest::newRow("size zero, nothing else") << "[MathChannels]\nsize=0\n"
                                             << QStringList{} << QStringList{};
}

void TestChannelStore::handEditedArray() {
    QFETCH(QString, ini);
    QFETCH(QStringList, kept);
    QFETCH(QStringList, faults);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Tarvik.conf"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(ini.toUtf8());
    f.close();
    QSettingsBacking store(file);
    const LoadedChannels loaded = loadComputedChannels(store);
    QStringList names;
    for (const ComputedChannel& c : loaded.channels) {
        names << c.name;
    }
    QCOMPARE(names, kept);
    if (faults.isEmpty()) {
        QCOMPARE(loaded.problems, QString());
        return;
    }
    QStringList lines = loaded.problems.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.takeFirst(),
             QStringLiteral("Some of the computed channels kept in the settings (%1) could not be "
                            "used and were left out:")
                 .arg(file));
    QCOMPARE(lines, faults);
}

void TestChannelStore::refusedSaveIsReported() {
    test::MemorySettings store;
    saveComputedChannels(store, readyMadeChannels());
    QCOMPARE(store.values.value(QStringLiteral("MathChannels/4/unit")), QStringLiteral("rpm/s"));
    store.refuseWrites = true;
    QVERIFY_THROWS_EXCEPTION(AppError, saveComputedChannels(store, {}));
    QCOMPARE(loadComputedChannels(store).channels, readyMadeChannels());
    // A flood of bad entries is listed up to twenty lines, then counted.
    store.refuseWrites = false;
    store.values.clear();
    for (int i = 1; i <= 30; ++i) {
        store.values[QStringLiteral("MathChannels/%1/name").arg(i)] = QStringLiteral("x%1").arg(i);
    }
    store.values[QStringLiteral("MathChannels/size")] = QStringLiteral("30");
    const QStringList lines = loadComputedChannels(store).problems.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 22);
    QCOMPARE(lines.last(), QStringLiteral("... and 10 more."));
}

QTEST_GUILESS_MAIN(TestChannelStore)
#include "test_channel_store.moc"
