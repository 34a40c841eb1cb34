// The program-wide error box as the user meets it on screen: its three buttons in the order
// Abort, Retry, Ignore, each giving its own answer, and no other way out (Esc and the close box
// leave it up, so an Esc meant for a download never answers it).
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <algorithm>

#include "core/error_trap.h"
#include "platform/qt_user_dialogs.h"

using namespace tarvik;

Q_DECLARE_METATYPE(MsgResult)

namespace {

// The buttons' texts from left to right.
QStringList buttonOrder(QMessageBox& box) {
    QList<QAbstractButton*> buttons = box.buttons();
    std::sort(buttons.begin(), buttons.end(), [&](QAbstractButton* a, QAbstractButton* b) {
        return a->mapTo(&box, QPoint(0, 0)).x() < b->mapTo(&box, QPoint(0, 0)).x();
    });
    QStringList texts;
    for (QAbstractButton* b : buttons) {
        texts << b->text();
    }
    return texts;
}

QAbstractButton* buttonWithText(QMessageBox& box, const QString& text) {
    for (QAbstractButton* b : box.buttons()) {
        if (b->text() == text) {
            return b;
        }
    }
    return nullptr;
}

}  // namespace

class TestErrorBox : public QObject {
    Q_OBJECT

private slots:
    void looksAsDesigned();
    void buttonsAnswer_data();
    void buttonsAnswer();
    void noOtherWayOut();
    void otherBoxesKeepTheirEscape();
};

void TestErrorBox::looksAsDesigned() {
    const auto box = QtUserDialogs::makeMessageBox(
        QStringLiteral("Error"), QStringLiteral("RS-232 timeout. Check cable and click Abort."),
        MsgIcon::Critical, MsgButtons::AbortRetryIgnore, nullptr);
    box->show();
    QApplication::processEvents();
    QCOMPARE(box->windowTitle(), QStringLiteral("Error"));
    QCOMPARE(box->icon(), QMessageBox::Critical);
    QCOMPARE(buttonOrder(*box), (QStringList{QStringLiteral("Abort"), QStringLiteral("Retry"),
                                             QStringLiteral("Ignore")}));
}

void TestErrorBox::buttonsAnswer_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<MsgResult>("answer");
    QTest::newRow("Abort") << QStringLiteral("Abort") << MsgResult::Abort;
    QTest::newRow("Retry") << QStringLiteral("Retry") << MsgResult::Retry;
    QTest::newRow("Ignore") << QStringLiteral("Ignore") << MsgResult::Ignore;
}

void TestErrorBox::buttonsAnswer() {
    QFETCH(QString, button);
    QFETCH(MsgResult, answer);
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QAbstractButton* b = box != nullptr ? buttonWithText(*box, button) : nullptr;
        if (b != nullptr) {
            clicked = true;
            b->click();
        }
    });
    QtUserDialogs dialogs;
    const MsgResult result = showErrorBox(dialogs, QStringLiteral("Framing Error"));
    QVERIFY(clicked);
    QCOMPARE(result, answer);
}

void TestErrorBox::noOtherWayOut() {
    // Esc, then the close box, then Retry: only the button ends the box.
    QStringList stillUp;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        QTest::keyClick(box, Qt::Key_Escape);
        QApplication::processEvents();
        stillUp << (box->isVisible() ? QStringLiteral("after Esc") : QString());
        box->close();
        QApplication::processEvents();
        stillUp << (box->isVisible() ? QStringLiteral("after close") : QString());
        buttonWithText(*box, QStringLiteral("Retry"))->click();
    });
    QtUserDialogs dialogs;
    QCOMPARE(showErrorBox(dialogs, QStringLiteral("Parity Error")), MsgResult::Retry);
    QCOMPARE(stillUp, (QStringList{QStringLiteral("after Esc"), QStringLiteral("after close")}));
}

void TestErrorBox::otherBoxesKeepTheirEscape() {
    // A question with Cancel is still left with Esc, as Cancel.
    QTimer::singleShot(0, [] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            QTest::keyClick(box, Qt::Key_Escape);
        }
    });
    QtUserDialogs dialogs;
    QCOMPARE(dialogs.message(QStringLiteral("Open Log File"),
                             QStringLiteral("Data buffer not empty. OK to overwrite?"),
                             MsgIcon::None, MsgButtons::OkCancel),
             MsgResult::Cancel);
}

QTEST_MAIN(TestErrorBox)
#include "test_error_box.moc"
