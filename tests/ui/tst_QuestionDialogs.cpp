#include "CancelNextConnect.h"
#include "QuestionResponse.h"
#include "UniformButtons.h"
#include "YesConfirmation.h"
#include "YesNo.h"
#include "YesNoCancel.h"
#include "YesYesToAllNoNoToAll.h"
#include "ok.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// One question dialog behind a common face, so that the tables below can
// name the dialog by its class.
struct AnyQuestion
{
    std::unique_ptr<QDialog> dialog;
    std::function<int()> response;
};

AnyQuestion makeQuestion(const QString &kind)
{
    AnyQuestion q;
    if (kind == QLatin1String("YesNo")) {
        auto *d = new YesNo;
        q.response = [d] { return d->response; };
        q.dialog.reset(d);
    } else if (kind == QLatin1String("YesNoCancel")) {
        auto *d = new YesNoCancel;
        q.response = [d] { return d->response; };
        q.dialog.reset(d);
    } else if (kind == QLatin1String("YesYesToAllNoNoToAll")) {
        auto *d = new YesYesToAllNoNoToAll;
        q.response = [d] { return d->response; };
        q.dialog.reset(d);
    } else if (kind == QLatin1String("YesConfirmation")) {
        auto *d = new YesConfirmation;
        q.response = [d] { return d->response; };
        q.dialog.reset(d);
    } else if (kind == QLatin1String("CancelNextConnect")) {
        auto *d = new CancelNextConnect;
        q.response = [d] { return d->response; };
        q.dialog.reset(d);
    }
    return q;
}

QPushButton *button(QDialog *dialog, const QString &name)
{
    return dialog->findChild<QPushButton *>(name);
}

void showActive(QDialog *dialog)
{
    dialog->show();
    QApplication::setActiveWindow(dialog);
    QVERIFY(QTest::qWaitForWindowActive(dialog));
}

} // namespace

class tst_QuestionDialogs : public QObject
{
    Q_OBJECT
private slots:
    void newDialogHasNoAnswer_data();
    void newDialogHasNoAnswer();
    void buttonsGiveTheirCodes_data();
    void buttonsGiveTheirCodes();
    void keyboardGivesDefinedCodes_data();
    void keyboardGivesDefinedCodes();
    void yesConfirmationTyping_data();
    void yesConfirmationTyping();
    void yesConfirmationAcceptIsInert();
    void buttonsShareOneMinimumSize_data();
    void buttonsShareOneMinimumSize();
    void textsReachTheirLabels();
};

void tst_QuestionDialogs::newDialogHasNoAnswer_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind : {"YesNo", "YesNoCancel", "YesYesToAllNoNoToAll", "YesConfirmation", "CancelNextConnect"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void tst_QuestionDialogs::newDialogHasNoAnswer()
{
    QFETCH(QString, kind);
    AnyQuestion q = makeQuestion(kind);
    QCOMPARE(q.response(), int(QuestionResponse::None));
}

void tst_QuestionDialogs::buttonsGiveTheirCodes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("buttonName");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("dialogResult");

    const int acc = QDialog::Accepted;
    const int rej = QDialog::Rejected;
    QTest::newRow("YesNo yes") << "YesNo" << "yesBtn" << 4 << acc;
    QTest::newRow("YesNo no") << "YesNo" << "noBtn" << 5 << rej;
    QTest::newRow("YesNoCancel yes") << "YesNoCancel" << "yesBtn" << 4 << acc;
    QTest::newRow("YesNoCancel no") << "YesNoCancel" << "noBtn" << 5 << rej;
    QTest::newRow("YesNoCancel cancel") << "YesNoCancel" << "cancelBtn" << 1 << rej;
    QTest::newRow("YYANNA yes") << "YesYesToAllNoNoToAll" << "yesBtn" << 4 << acc;
    QTest::newRow("YYANNA yes to all") << "YesYesToAllNoNoToAll" << "yesToAllBtn" << 6 << acc;
    QTest::newRow("YYANNA no") << "YesYesToAllNoNoToAll" << "noBtn" << 5 << rej;
    QTest::newRow("YYANNA no to all") << "YesYesToAllNoNoToAll" << "noToAllBtn" << 7 << rej;
    QTest::newRow("CNC cancel") << "CancelNextConnect" << "cancelBtn" << 1 << acc;
    QTest::newRow("CNC next") << "CancelNextConnect" << "nextBtn" << 2 << acc;
    QTest::newRow("CNC connect") << "CancelNextConnect" << "connectBtn" << 3 << acc;
    QTest::newRow("YesConfirmation cancel") << "YesConfirmation" << "cancelBtn" << 5 << rej;
}

void tst_QuestionDialogs::buttonsGiveTheirCodes()
{
    QFETCH(QString, kind);
    QFETCH(QString, buttonName);
    QFETCH(int, expected);
    QFETCH(int, dialogResult);

    AnyQuestion q = makeQuestion(kind);
    showActive(q.dialog.get());
    QPushButton *b = button(q.dialog.get(), buttonName);
    QVERIFY(b);
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(q.response(), expected);
    QCOMPARE(q.dialog->result(), dialogResult);
    QVERIFY(!q.dialog->isVisible());
}

void tst_QuestionDialogs::keyboardGivesDefinedCodes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("closes");

    QTest::newRow("YesNo Escape") << "YesNo" << int(Qt::Key_Escape) << 5 << true;
    QTest::newRow("YesNo Enter") << "YesNo" << int(Qt::Key_Return) << 5 << true;
    // Escape is "no", never a cancel of the whole operation.
    QTest::newRow("YesNoCancel Escape") << "YesNoCancel" << int(Qt::Key_Escape) << 5 << true;
    QTest::newRow("YesNoCancel Enter") << "YesNoCancel" << int(Qt::Key_Return) << 5 << true;
    QTest::newRow("YYANNA Escape") << "YesYesToAllNoNoToAll" << int(Qt::Key_Escape) << 5 << true;
    QTest::newRow("YYANNA Enter") << "YesYesToAllNoNoToAll" << int(Qt::Key_Return) << 5 << true;
    QTest::newRow("YesConfirmation Escape") << "YesConfirmation" << int(Qt::Key_Escape) << 5 << true;
    QTest::newRow("YesConfirmation Enter") << "YesConfirmation" << int(Qt::Key_Return) << 5 << true;
    QTest::newRow("CNC Escape") << "CancelNextConnect" << int(Qt::Key_Escape) << 1 << true;
    // No default button: Enter neither connects nor ends the search.
    QTest::newRow("CNC Enter") << "CancelNextConnect" << int(Qt::Key_Return) << -1 << false;
}

void tst_QuestionDialogs::keyboardGivesDefinedCodes()
{
    QFETCH(QString, kind);
    QFETCH(int, key);
    QFETCH(int, expected);
    QFETCH(bool, closes);

    AnyQuestion q = makeQuestion(kind);
    showActive(q.dialog.get());
    if (auto *edit = q.dialog->findChild<QLineEdit *>(QStringLiteral("lineEdit"))) {
        // Even with the word typed, Enter in the edit presses the default CANCEL.
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("yes"));
        QVERIFY(button(q.dialog.get(), QStringLiteral("continueBtn"))->isEnabled());
    }
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : q.dialog.get();
    QTest::keyClick(target, Qt::Key(key));
    QCOMPARE(q.response(), expected);
    QCOMPARE(!q.dialog->isVisible(), closes);
}

void tst_QuestionDialogs::yesConfirmationTyping_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("backspaces");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("nothing") << "" << 0 << false;
    QTest::newRow("yes") << "yes" << 0 << true;
    QTest::newRow("Yes") << "Yes" << 0 << true;
    QTest::newRow("YES") << "YES" << 0 << true;
    QTest::newRow("yes and a blank") << "yes " << 0 << false;
    QTest::newRow("blank and yes") << " yes" << 0 << false;
    QTest::newRow("yes, one deleted") << "yes" << 1 << false;
    QTest::newRow("yess, one deleted") << "yess" << 1 << true;
    QTest::newRow("no") << "no" << 0 << false;
}

void tst_QuestionDialogs::yesConfirmationTyping()
{
    QFETCH(QString, typed);
    QFETCH(int, backspaces);
    QFETCH(bool, enabled);

    YesConfirmation dialog;
    showActive(&dialog);
    auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("lineEdit"));
    auto *continueBtn = button(&dialog, QStringLiteral("continueBtn"));
    QVERIFY(edit && continueBtn);
    QVERIFY(!continueBtn->isEnabled());
    edit->setFocus();
    QTest::keyClicks(edit, typed);
    for (int i = 0; i < backspaces; ++i)
        QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(continueBtn->isEnabled(), enabled);

    if (enabled) {
        QTest::mouseClick(continueBtn, Qt::LeftButton);
        QCOMPARE(dialog.response, int(QuestionResponse::Yes));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    } else {
        // A disabled CONTINUE cannot be pressed.
        QTest::mouseClick(continueBtn, Qt::LeftButton);
        QCOMPARE(dialog.response, int(QuestionResponse::None));
        QVERIFY(dialog.isVisible());
    }
}

void tst_QuestionDialogs::yesConfirmationAcceptIsInert()
{
    YesConfirmation dialog;
    showActive(&dialog);
    dialog.accept();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.response, int(QuestionResponse::None));
}

void tst_QuestionDialogs::buttonsShareOneMinimumSize_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind : {"YesNo", "YesNoCancel", "YesYesToAllNoNoToAll", "YesConfirmation", "CancelNextConnect"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void tst_QuestionDialogs::buttonsShareOneMinimumSize()
{
    QFETCH(QString, kind);
    AnyQuestion q = makeQuestion(kind);
    showActive(q.dialog.get());
    QCoreApplication::processEvents();

    const QList<QPushButton *> buttons = q.dialog->findChildren<QPushButton *>();
    QVERIFY(buttons.size() >= 2);
    int widestHint = 0;
    for (QPushButton *b : buttons)
        widestHint = std::max(widestHint, b->sizeHint().width());
    for (QPushButton *b : buttons) {
        QCOMPARE(b->minimumWidth(), widestHint);
        QCOMPARE(b->minimumHeight(), buttons.first()->minimumHeight());
        QVERIFY(b->minimumHeight() >= UniformButtons::MinimumHeight);
        // Nothing is clipped: every button is at least as wide as its text needs.
        QVERIFY(b->width() >= b->sizeHint().width());
    }
}

void tst_QuestionDialogs::textsReachTheirLabels()
{
    YesNo yesNo;
    yesNo.SetQuestion(QStringLiteral("Replace newer code?"));
    QCOMPARE(yesNo.findChild<QLabel *>(QStringLiteral("question"))->text(), QStringLiteral("Replace newer code?"));

    CancelNextConnect found;
    found.SetDeviceDetails(QStringLiteral("COM4 ORBITA / 123456"));
    QCOMPARE(found.findChild<QLabel *>(QStringLiteral("deviceDetails"))->text(),
             QStringLiteral("COM4 ORBITA / 123456"));
    QCOMPARE(button(&found, QStringLiteral("nextBtn"))->whatsThis(), QStringLiteral("Continue searching."));

    ok message;
    message.SetStatement(QStringLiteral("Disconnected.  Reconnect and try again."));
    QCOMPARE(message.findChild<QLabel *>(QStringLiteral("statement"))->text(),
             QStringLiteral("Disconnected.  Reconnect and try again."));
    showActive(&message);
    QTest::mouseClick(button(&message, QStringLiteral("okBtn")), Qt::LeftButton);
    QCOMPARE(message.result(), int(QDialog::Accepted));
}

QTEST_MAIN(tst_QuestionDialogs)
#include "tst_QuestionDialogs.moc"
