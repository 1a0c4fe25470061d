#include "RtcClock.h"

#include <QtTest>

class TestRtcClock : public QObject
{
    Q_OBJECT

private slots:
    void decodeRegisters_data();
    void decodeRegisters();
    void validBitIgnoredByComparison();
    void encodeRegistersRoundTrip();
    void encodeOnlyYearsTheClockHolds_data();
    void encodeOnlyYearsTheClockHolds();
    void blankRegisters();
    void synchronisationThreshold_data();
    void synchronisationThreshold();
    void eepromTimeBytes();
    void newEepromTime_data();
    void newEepromTime();
};

void TestRtcClock::decodeRegisters_data()
{
    QTest::addColumn<QByteArray>("registers");
    QTest::addColumn<QDateTime>("expected");

    QTest::newRow("12:30:45 on 5 June 2024") << QByteArray::fromHex("45301205020624")
                                             << QDateTime(QDate(2024, 6, 5), QTime(12, 30, 45));
    QTest::newRow("not-valid bit in the seconds") << QByteArray::fromHex("80301205020624")
                                                  << QDateTime();
    QTest::newRow("unused high bits are masked")
        << QByteArray::fromHex("45B0D2C502E624") << QDateTime(QDate(2024, 6, 5), QTime(12, 30, 45));
    QTest::newRow("day 0 is no date") << QByteArray::fromHex("45301200020624") << QDateTime();
    QTest::newRow("month 13 is no date") << QByteArray::fromHex("45301205021324") << QDateTime();
    QTest::newRow("all 0xFF") << QByteArray(7, '\xFF') << QDateTime();
    QTest::newRow("short read") << QByteArray::fromHex("453012050206") << QDateTime();
    // A digit above 9 is not read as some other time.
    QTest::newRow("seconds units digit above 9") << QByteArray::fromHex("4A301205020624") << QDateTime();
    QTest::newRow("minutes units digit above 9") << QByteArray::fromHex("453A1205020624") << QDateTime();
    QTest::newRow("day units digit above 9") << QByteArray::fromHex("4530120F020624") << QDateTime();
    QTest::newRow("year tens digit above 9") << QByteArray::fromHex("453012050206A4") << QDateTime();
    QTest::newRow("year units digit above 9") << QByteArray::fromHex("4530120502062B") << QDateTime();
}

void TestRtcClock::decodeRegisters()
{
    QFETCH(QByteArray, registers);
    QFETCH(QDateTime, expected);
    QCOMPARE(RtcClock::DecodeRegisters(registers), expected);
}

void TestRtcClock::validBitIgnoredByComparison()
{
    QCOMPARE(RtcClock::DecodeRegistersIgnoringValidBit(QByteArray::fromHex("80301205020624")),
             QDateTime(QDate(2024, 6, 5), QTime(12, 30, 0)));
}

void TestRtcClock::encodeRegistersRoundTrip()
{
    const QDateTime dt(QDate(2031, 12, 29), QTime(23, 59, 58));
    const QByteArray registers = RtcClock::EncodeRegisters(dt);
    QCOMPARE(registers, QByteArray::fromHex("58592329001231"));
    QCOMPARE(RtcClock::DecodeRegisters(registers), dt);
}

void TestRtcClock::encodeOnlyYearsTheClockHolds_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<bool>("held");

    QTest::newRow("first second of 2000") << QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0)) << true;
    QTest::newRow("last second of 2099") << QDateTime(QDate(2099, 12, 31), QTime(23, 59, 59)) << true;
    QTest::newRow("2100") << QDateTime(QDate(2100, 1, 1), QTime(0, 0, 0)) << false;
    QTest::newRow("1999") << QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59)) << false;
    QTest::newRow("1970") << QDateTime(QDate(1970, 1, 1), QTime(0, 0, 0)) << false;
    QTest::newRow("invalid") << QDateTime() << false;
}

void TestRtcClock::encodeOnlyYearsTheClockHolds()
{
    QFETCH(QDateTime, time);
    QFETCH(bool, held);
    QCOMPARE(RtcClock::CanHold(time), held);
    const QByteArray registers = RtcClock::EncodeRegisters(time);
    const QByteArray eeprom = RtcClock::EncodeEepromTime(time);
    if (!held) {
        // Never a wrapped year or a digit the chip cannot hold.
        QVERIFY(registers.isEmpty());
        QVERIFY(eeprom.isEmpty());
        return;
    }
    QCOMPARE(RtcClock::DecodeRegisters(registers), time);
    QCOMPARE(RtcClock::DecodeEepromTime(eeprom), time);
}

void TestRtcClock::blankRegisters()
{
    QVERIFY(RtcClock::AllRegistersBlank(QByteArray(7, '\xFF')));
    QByteArray almost(7, '\xFF');
    almost[6] = '\xFE';
    QVERIFY(!RtcClock::AllRegistersBlank(almost));
    QVERIFY(!RtcClock::AllRegistersBlank(QByteArray(3, '\xFF')));
}

void TestRtcClock::synchronisationThreshold_data()
{
    QTest::addColumn<qint64>("diff");
    QTest::addColumn<bool>("required");
    QTest::newRow("121 ahead") << qint64(121) << true;
    QTest::newRow("120 ahead") << qint64(120) << false;
    QTest::newRow("120 behind") << qint64(-120) << false;
    QTest::newRow("121 behind") << qint64(-121) << true;
    QTest::newRow("equal") << qint64(0) << false;
    QTest::newRow("a day ahead") << qint64(86400) << true;
}

void TestRtcClock::synchronisationThreshold()
{
    QFETCH(qint64, diff);
    QFETCH(bool, required);
    QCOMPARE(RtcClock::SynchronisationRequired(diff), required);
}

void TestRtcClock::eepromTimeBytes()
{
    const QDateTime dt(QDate(2024, 6, 5), QTime(9, 58, 7));
    const QByteArray bytes = RtcClock::EncodeEepromTime(dt);
    // Plain numbers, not packed decimal.
    QCOMPARE(bytes, QByteArray::fromHex("050618093A07"));
    QCOMPARE(RtcClock::DecodeEepromTime(bytes), dt);
    QVERIFY(!RtcClock::DecodeEepromTime(QByteArray(6, '\xFF')).isValid());
    QVERIFY(!RtcClock::DecodeEepromTime(QByteArray::fromHex("050618093A")).isValid());
}

void TestRtcClock::newEepromTime_data()
{
    QTest::addColumn<QDateTime>("oldRtc");
    QTest::addColumn<QDateTime>("oldEeprom");
    QTest::addColumn<QDateTime>("newTime");
    QTest::addColumn<QDateTime>("expected");
    QTest::addColumn<int>("shift");

    const QDate day(2024, 6, 5);
    const auto at = [day](int h, int m) { return QDateTime(day, QTime(h, m)); };

    QTest::newRow("offset kept") << at(10, 0) << at(9, 58) << at(10, 5) << at(10, 3)
                                 << int(RtcClock::EepromShift::OffsetKept);
    QTest::newRow("would run ahead of the RTC") << at(10, 0) << at(10, 1) << at(10, 5) << at(10, 5)
                                                << int(RtcClock::EepromShift::ClampedToRtc);
    QTest::newRow("RTC set back keeps the offset") << at(10, 5) << at(10, 3) << at(10, 0)
                                                   << at(9, 58)
                                                   << int(RtcClock::EepromShift::OffsetKept);
    QTest::newRow("old EEPROM time unknown") << at(10, 0) << QDateTime() << at(10, 5) << at(10, 5)
                                             << int(RtcClock::EepromShift::MatchedBecauseOldInvalid);
    QTest::newRow("old RTC unknown: EEPROM time stays") << QDateTime() << at(9, 0) << at(10, 5)
                                                        << at(9, 0)
                                                        << int(RtcClock::EepromShift::OffsetKept);
    QTest::newRow("old RTC unknown, EEPROM ahead") << QDateTime() << at(11, 0) << at(10, 5)
                                                   << at(10, 5)
                                                   << int(RtcClock::EepromShift::ClampedToRtc);
}

void TestRtcClock::newEepromTime()
{
    QFETCH(QDateTime, oldRtc);
    QFETCH(QDateTime, oldEeprom);
    QFETCH(QDateTime, newTime);
    QFETCH(QDateTime, expected);
    QFETCH(int, shift);

    const RtcClock::EepromResult result = RtcClock::NewEepromTime(oldRtc, oldEeprom, newTime);
    QCOMPARE(result.time, expected);
    QCOMPARE(int(result.shift), shift);
    QVERIFY(result.time.isValid());
    QVERIFY(result.time <= newTime);
}

QTEST_GUILESS_MAIN(TestRtcClock)
#include "tst_RtcClock.moc"
