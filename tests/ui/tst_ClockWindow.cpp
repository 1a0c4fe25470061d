#include "AppSettings.h"
#include "Clock.h"
#include "ok.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

class tst_ClockWindow : public QObject
{
    Q_OBJECT
private slots:
    void clockText();
    void displayDateTime_data();
    void displayDateTime();
    void opensWithOneReadThenRefreshes();
    void synchroniseButtonAsksTheWorker();
    void disconnectionStopsAndCloses();
};

void tst_ClockWindow::clockText()
{
    const QDateTime t(QDate(2024, 6, 5), QTime(12, 30, 45));
    QCOMPARE(Clock::ClockText(t), QStringLiteral("5 JUNE 2024\n12:30:45"));
}

void tst_ClockWindow::displayDateTime_data()
{
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("offsetSecs");
    QTest::addColumn<bool>("showsComputerTime");

    QTest::newRow("invalid RTC") << false << 0 << false;
    QTest::newRow("equal") << true << 0 << true;
    QTest::newRow("one second behind") << true << -1 << true;
    QTest::newRow("one hour ahead") << true << 3600 << false;
    QTest::newRow("two days behind") << true << -2 * 86400 << false;
}

void tst_ClockWindow::displayDateTime()
{
    QFETCH(bool, valid);
    QFETCH(int, offsetSecs);
    QFETCH(bool, showsComputerTime);

    Clock clock(nullptr);
    auto *rb = clock.findChild<QLabel *>(QStringLiteral("rbClock"));
    auto *pc = clock.findChild<QLabel *>(QStringLiteral("pcClock"));
    // Keep clear of a second boundary so both clocks read the same second.
    while (QTime::currentTime().msec() > 700)
        QTest::qWait(20);
    const QDateTime rtc = valid ? QDateTime::currentDateTime().addSecs(offsetSecs) : QDateTime();
    clock.DisplayDateTime(rtc);

    QCOMPARE(pc->text(), Clock::ClockText(QDateTime::currentDateTime()));
    if (!valid)
        QCOMPARE(rb->text(), QStringLiteral("Invalid Date / Time"));
    else if (showsComputerTime)
        QCOMPARE(rb->text(), pc->text());
    else
        QCOMPARE(rb->text(), Clock::ClockText(rtc));
}

void tst_ClockWindow::opensWithOneReadThenRefreshes()
{
    Clock clock(nullptr);
    QSignalSpy reads(&clock, &Clock::ClockReadRTCDateTime);
    clock.show();
    QTRY_COMPARE(reads.count(), 1);
    // The once-a-second refresh follows.
    QTRY_COMPARE_WITH_TIMEOUT(reads.count(), 2, 3000);
}

void tst_ClockWindow::synchroniseButtonAsksTheWorker()
{
    Clock clock(nullptr);
    QSignalSpy sync(&clock, &Clock::ClockSynchronise);
    clock.show();
    QTest::mouseClick(clock.findChild<QPushButton *>(QStringLiteral("synchroniseBtn")), Qt::LeftButton);
    QCOMPARE(sync.count(), 1);
    QTest::mouseClick(clock.findChild<QPushButton *>(QStringLiteral("closeBtn")), Qt::LeftButton);
    QVERIFY(!clock.isVisible());
}

void tst_ClockWindow::disconnectionStopsAndCloses()
{
    AppSettings::SetValue(AppSettings::Key::GeometryClock, QByteArray());
    {
        Clock clock(nullptr);
        QSignalSpy reads(&clock, &Clock::ClockReadRTCDateTime);
        clock.show();
        QTRY_COMPARE(reads.count(), 1);

        QString statement;
        QTimer::singleShot(100, [&] {
            auto *message = qobject_cast<ok *>(QApplication::activeModalWidget());
            if (!message)
                return;
            statement = message->findChild<QLabel *>(QStringLiteral("statement"))->text();
            QTest::mouseClick(message->findChild<QPushButton *>(QStringLiteral("okBtn")), Qt::LeftButton);
        });
        clock.CommsDisconnected();
        QCOMPARE(statement, QStringLiteral("Disconnected.  Reconnect and try again."));
        QVERIFY(!clock.isVisible());
        const int readsAtClose = reads.count();
        QTest::qWait(1300);
        QCOMPARE(reads.count(), readsAtClose);
    }
    // The window's geometry is kept for the next opening.
    QVERIFY(!AppSettings::Value(AppSettings::Key::GeometryClock).toByteArray().isEmpty());
}

QTEST_MAIN(tst_ClockWindow)
#include "tst_ClockWindow.moc"
