#include "LogCollector.h"
#include "AppSettings.h"
#include "Clock.h"
#include "ok.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>


class tst_ClockWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void clockText();
    void displayDateTime_data();
    void displayDateTime();
    void opensWithOneReadThenRefreshes();
    void synchroniseButtonAsksTheWorker();
    void disconnectionStopsAndCloses();
    void traceLinesFollowMessageLevel_data();
    void traceLinesFollowMessageLevel();
};

void tst_ClockWindow::initTestCase()
{
    LogCollector::Install();
}

void tst_ClockWindow::cleanupTestCase()
{
    LogCollector::Uninstall();
    AppSettings::SetValue(AppSettings::Key::MessageLevel, 0);
}

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
    const QDateTime before = QDateTime::currentDateTime();
    const QDateTime rtc = valid ? before.addSecs(offsetSecs) : QDateTime();
    clock.DisplayDateTime(rtc);
    const QDateTime after = QDateTime::currentDateTime();

    // The computer's time as the window read it, whichever second that was.
    QStringList seconds;
    for (QDateTime t = before; t.toSecsSinceEpoch() <= after.toSecsSinceEpoch(); t = t.addSecs(1))
        seconds << Clock::ClockText(t);
    QVERIFY2(seconds.contains(pc->text()), qPrintable(pc->text()));
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
    QTRY_COMPARE_WITH_TIMEOUT(reads.count(), 2, 30000);
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

        // Answers the message as soon as it is up.
        QString statement;
        QTimer answer;
        answer.setInterval(20);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto *message = qobject_cast<ok *>(QApplication::activeModalWidget());
            if (!message)
                return;
            answer.stop();
            statement = message->findChild<QLabel *>(QStringLiteral("statement"))->text();
            QTest::mouseClick(message->findChild<QPushButton *>(QStringLiteral("okBtn")), Qt::LeftButton);
        });
        answer.start();
        clock.CommsDisconnected();
        QCOMPARE(statement, QStringLiteral("Disconnected.  Reconnect and try again."));
        QVERIFY(!clock.isVisible());
        // The refresh timer is stopped: no read follows.
        const QList<QTimer *> timers = clock.findChildren<QTimer *>();
        QVERIFY(!timers.isEmpty());
        for (const QTimer *timer : timers)
            QVERIFY(!timer->isActive());
    }
    // The window's geometry is kept for the next opening.
    QVERIFY(!AppSettings::Value(AppSettings::Key::GeometryClock).toByteArray().isEmpty());
}

void tst_ClockWindow::traceLinesFollowMessageLevel_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("level 0") << 0 << QStringList();
    QTest::newRow("level 1") << 1
                             << QStringList{"Clock::OnInitDialog()", "Clock::on_timer()- Started",
                                            "Clock::on_timer() - Completed"};
}

void tst_ClockWindow::traceLinesFollowMessageLevel()
{
    QFETCH(int, level);
    QFETCH(QStringList, lines);
    AppSettings::SetValue(AppSettings::Key::MessageLevel, level);
    Clock clock(nullptr);
    AppSettings::SetValue(AppSettings::Key::MessageLevel, 0);
    QSignalSpy reads(&clock, &Clock::ClockReadRTCDateTime);
    LogCollector::Take();
    clock.show();
    QTRY_COMPARE(reads.count(), 1);
    clock.on_timer();
    QVERIFY(reads.count() >= 2);
    QStringList clockLines;
    for (const QString &line : LogCollector::Take()) {
        if (line.startsWith(QLatin1String("Clock::")))
            clockLines << line;
    }
    if (lines.isEmpty())
        QCOMPARE(clockLines, QStringList());
    for (const QString &line : lines)
        QVERIFY2(clockLines.contains(line), qPrintable(line));
}

QTEST_MAIN(tst_ClockWindow)
#include "tst_ClockWindow.moc"
