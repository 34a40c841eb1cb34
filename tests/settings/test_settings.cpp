#include <QtTest>

class TestSettings : public QObject {
    Q_OBJECT
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
