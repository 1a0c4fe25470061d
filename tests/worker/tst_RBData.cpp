#include "DeviceList.h"
#include "RBData.h"

#include <QtTest>

class TestRBData : public QObject
{
    Q_OBJECT

private slots:
    void filterText_data();
    void filterText();
    void codeDetails();
    void bootloaderDetails_data();
    void bootloaderDetails();
    void compareThree_data();
    void compareThree();
    void deviceStatus_data();
    void deviceStatus();
    void unknownDeviceIdGivesEmptyValues();
    void clearResetsEverything();
    void dumpShowsEachUnitsOwnValues();
    void userInfoLines();
};

void TestRBData::filterText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("spaces, zero and 0xFF around a serial")
        << QByteArray("  12C00417\0\xFF", 12) << QStringLiteral("12C00417");
    QTest::newRow("characters above 0x7C become spaces")
        << QByteArray("AB}~CD") << QStringLiteral("AB  CD");
    QTest::newRow("control characters inside are kept as spaces")
        << QByteArray("Jo\tBloggs\n") << QStringLiteral("Jo Bloggs");
    QTest::newRow("0x21 and 0x7C are kept") << QByteArray("!|") << QStringLiteral("!|");
    QTest::newRow("all blank") << QByteArray(12, '\xFF') << QString();
}

void TestRBData::filterText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(RBData::FilterText(bytes), expected);
}

void TestRBData::codeDetails()
{
    const RBData::CodeDetails d =
        RBData::DecodeCodeDetails(QByteArray::fromHex("050A130102012345"));
    QCOMPARE(d.dateText, QStringLiteral("05/10/19"));
    QCOMPARE(d.date, QDate(2019, 10, 5));
    QCOMPARE(d.versionText, QStringLiteral("01.02.01.23.45"));
    QCOMPARE(d.versionNumber, 1023045);
    QCOMPARE(d.majorByte, 1);
    QVERIFY(d.valid);

    const RBData::CodeDetails failed = RBData::FailedCodeDetails();
    QVERIFY(!failed.valid);
    QVERIFY(failed.dateText.isEmpty());
    QVERIFY(failed.versionText.isEmpty());
    QCOMPARE(failed.versionNumber, -1);
    QCOMPARE(failed.majorByte, 0);

    // A short buffer is not a successful read.
    QVERIFY(!RBData::DecodeCodeDetails(QByteArray::fromHex("050A1301")).valid);
}

void TestRBData::bootloaderDetails_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("dateText");
    QTest::addColumn<QString>("versionText");
    QTest::addColumn<int>("versionNumber");
    QTest::addColumn<bool>("valid");

    QTest::newRow("plausible") << QByteArray::fromHex("0C0318 0B 00 03 0104")
                               << QStringLiteral("12/03/24") << QStringLiteral("0B.00.03.01.04")
                               << 3001004 << true;
    QTest::newRow("month 13") << QByteArray::fromHex("0C0D18 0B 00 03 0104")
                              << QStringLiteral("Unknown") << QStringLiteral("0B.00.03.01.04")
                              << 3001004 << false;
    QTest::newRow("day 0") << QByteArray::fromHex("000318 0F 00 03 0104")
                           << QStringLiteral("Unknown") << QStringLiteral("0F.00.03.01.04")
                           << 3001004 << false;
    QTest::newRow("year 100") << QByteArray::fromHex("0C0364 0B 00 03 0104")
                              << QStringLiteral("Unknown") << QStringLiteral("0B.00.03.01.04")
                              << 3001004 << false;
    QTest::newRow("b3 lacks bit 3") << QByteArray::fromHex("0C0318 03 00 03 0104")
                                    << QStringLiteral("12/03/24") << QString() << -1 << false;
    QTest::newRow("b5 not 3") << QByteArray::fromHex("0C0318 0B 00 02 0104")
                              << QStringLiteral("12/03/24") << QString() << -1 << false;
}

void TestRBData::bootloaderDetails()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, dateText);
    QFETCH(QString, versionText);
    QFETCH(int, versionNumber);
    QFETCH(bool, valid);

    const RBData::CodeDetails d = RBData::DecodeBootloaderDetails(bytes);
    QCOMPARE(d.dateText, dateText);
    QCOMPARE(d.date.isValid(), dateText != QLatin1String("Unknown"));
    QCOMPARE(d.versionText, versionText);
    QCOMPARE(d.versionNumber, versionNumber);
    QCOMPARE(d.valid, valid);

    const RBData::CodeDetails failed = RBData::FailedBootloaderDetails();
    QCOMPARE(failed.dateText, QStringLiteral("Invalid"));
    QCOMPARE(failed.versionText, QStringLiteral("Invalid"));
    QCOMPARE(failed.versionNumber, -1);
    QVERIFY(!failed.valid);
}

void TestRBData::compareThree_data()
{
    QTest::addColumn<QString>("d");
    QTest::addColumn<QString>("p");
    QTest::addColumn<QString>("q");
    QTest::addColumn<QVector<int>>("expected");

    QTest::newRow("all equal") << "A" << "A" << "A" << QVector<int>{1, 1, 1};
    QTest::newRow("A A B") << "A" << "A" << "B" << QVector<int>{2, 3, 3};
    QTest::newRow("A B A") << "A" << "B" << "A" << QVector<int>{2, 3, 3};
    QTest::newRow("A B B") << "A" << "B" << "B" << QVector<int>{3, 1, 1};
    QTest::newRow("all differ") << "A" << "B" << "C" << QVector<int>{3, 3, 3};
    QTest::newRow("two equal, display missing") << "" << "A" << "A" << QVector<int>{3, 1, 1};
    QTest::newRow("two differ, C2 missing") << "A" << "B" << "" << QVector<int>{3, 3, 3};
    QTest::newRow("only display") << "A" << "" << "" << QVector<int>{1, 3, 3};
    QTest::newRow("none") << "" << "" << "" << QVector<int>{3, 3, 3};
}

void TestRBData::compareThree()
{
    QFETCH(QString, d);
    QFETCH(QString, p);
    QFETCH(QString, q);
    QFETCH(QVector<int>, expected);
    QCOMPARE(RBData::CompareThree(d, p, q), expected);
}

namespace {

struct UnitSetup
{
    bool present;
    QString serial;
    QByteArray codeDetails; // empty: read failed
    bool codeValidity;
};

void Fill(RBData &rb, quint8 id, const UnitSetup &u)
{
    rb.SetPresent(id, u.present);
    rb.SetSerialNumber(id, u.serial);
    rb.SetCodeDetails(id, u.codeDetails.isEmpty() ? RBData::FailedCodeDetails()
                                                  : RBData::DecodeCodeDetails(u.codeDetails));
    rb.SetCodeValidity(id, u.codeValidity);
}

} // namespace

Q_DECLARE_METATYPE(UnitSetup)

void TestRBData::deviceStatus_data()
{
    QTest::addColumn<UnitSetup>("display");
    QTest::addColumn<UnitSetup>("c1");
    QTest::addColumn<UnitSetup>("c2");
    // Cells per unit: serial, version, date, validity; display, C1, C2.
    QTest::addColumn<QVector<int>>("cells");
    QTest::addColumn<int>("overall");

    const QByteArray v1 = QByteArray::fromHex("0E0318 0100 070003");
    const QByteArray v1OtherDate = QByteArray::fromHex("0F0318 0100 070003");
    const QByteArray v2 = QByteArray::fromHex("0E0318 0100 070104");
    const QByteArray v1OtherPrefix = QByteArray::fromHex("0E0318 0299 070003");
    const UnitSetup absent{false, QString(), QByteArray(), false};

    QTest::newRow("consistent set")
        << UnitSetup{true, "12C004170", v1, true} << UnitSetup{true, "12C004170", v1, true}
        << UnitSetup{true, "12C004170", v1, true} << QVector<int>(12, 1) << 1;
    QTest::newRow("serials A A B")
        << UnitSetup{true, "12C004170", v1, true} << UnitSetup{true, "12C004170", v1, true}
        << UnitSetup{true, "12C004180", v1, true}
        << QVector<int>{3, 1, 1, 1, 3, 1, 1, 1, 3, 1, 1, 1} << 3;
    QTest::newRow("only the display")
        << UnitSetup{true, "12C004170", v1, true} << absent << absent << QVector<int>(12, 1) << 1;
    QTest::newRow("only the display, code not valid")
        << UnitSetup{true, "12C004170", v1, false} << absent << absent
        << QVector<int>{1, 1, 1, 3, 1, 1, 1, 1, 1, 1, 1, 1} << 3;
    QTest::newRow("only the display and C1, serials differ")
        << UnitSetup{true, "12C004170", v1, true} << UnitSetup{true, "12C004180", v1, true}
        << absent << QVector<int>{3, 1, 1, 1, 3, 1, 1, 1, 1, 1, 1, 1} << 3;
    QTest::newRow("nothing present")
        << absent << absent << absent << QVector<int>(12, 1) << 1;
    QTest::newRow("display date differs: warning on the display only")
        << UnitSetup{true, "12C004170", v1OtherDate, true} << UnitSetup{true, "12C004170", v1, true}
        << UnitSetup{true, "12C004170", v1, true}
        << QVector<int>{1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1} << 2;
    QTest::newRow("C2 version differs")
        << UnitSetup{true, "12C004170", v1, true} << UnitSetup{true, "12C004170", v1, true}
        << UnitSetup{true, "12C004170", v2, true}
        << QVector<int>{1, 2, 1, 1, 1, 3, 1, 1, 1, 3, 1, 1} << 3;
    QTest::newRow("only the last three version bytes count")
        << UnitSetup{true, "12C004170", v1OtherPrefix, true} << UnitSetup{true, "12C004170", v1, true}
        << UnitSetup{true, "12C004170", v1, true} << QVector<int>(12, 1) << 1;
    QTest::newRow("malformed serial on C1 counts as missing")
        << UnitSetup{true, "12C004170", v1, true} << UnitSetup{true, "12Z004170", v1, true}
        << UnitSetup{true, "12C004170", v1, true}
        << QVector<int>{1, 1, 1, 1, 3, 1, 1, 1, 1, 1, 1, 1} << 3;
}

void TestRBData::deviceStatus()
{
    QFETCH(UnitSetup, display);
    QFETCH(UnitSetup, c1);
    QFETCH(UnitSetup, c2);
    QFETCH(QVector<int>, cells);
    QFETCH(int, overall);

    RBData rb;
    rb.SetDisplayDeviceId(DeviceId::DisplayMono);
    Fill(rb, DeviceId::DisplayMono, display);
    Fill(rb, DeviceId::C1, c1);
    Fill(rb, DeviceId::C2, c2);

    QCOMPARE(rb.EvaluateDeviceStatus(), overall);
    QCOMPARE(rb.OverallStatus(), overall);
    const quint8 ids[3] = {DeviceId::DisplayMono, DeviceId::C1, DeviceId::C2};
    const RBData::StatusField fields[4] = {RBData::FieldSerialNumber, RBData::FieldCodeVersion,
                                           RBData::FieldCodeDate, RBData::FieldCodeValidity};
    QVector<int> actual;
    for (quint8 id : ids)
        for (RBData::StatusField f : fields)
            actual << rb.FieldStatus(id, f);
    QCOMPARE(actual, cells);
}

void TestRBData::unknownDeviceIdGivesEmptyValues()
{
    RBData rb;
    const quint8 unknown = 0x90;
    rb.SetSerialNumber(unknown, QStringLiteral("12C00417"));
    rb.SetPresent(unknown, true);
    QVERIFY(!rb.IsPresent(unknown));
    QVERIFY(rb.SerialNumber(unknown).isEmpty());
    QCOMPARE(rb.CodeVersionNumber(unknown), -1);
    QCOMPARE(rb.BootloaderVersionNumber(unknown), -1);
    QVERIFY(!rb.CodeDate(unknown).isValid());
    QVERIFY(!rb.EepromDateTime(unknown).isValid());
    QCOMPARE(rb.HardwareConfig(unknown), quint8(0));

    // Header presence flags answer for the bridge, CO2, ATE and RTC ids.
    rb.SetPresent(DeviceId::Rtc, true);
    rb.SetPresent(DeviceId::Bridge, true);
    QVERIFY(rb.IsPresent(DeviceId::Rtc));
    QVERIFY(rb.IsPresent(DeviceId::Bridge));
    QVERIFY(!rb.IsPresent(DeviceId::Co2Sensor));

    // Both display ids select the one display block.
    rb.SetSerialNumber(DeviceId::DisplayColour, QStringLiteral("12C00417"));
    QCOMPARE(rb.SerialNumber(DeviceId::DisplayMono), QStringLiteral("12C00417"));

    rb.SetDisplayDeviceId(DeviceId::C1);
    QVERIFY(!rb.IsDisplayDeviceIdValid());
    rb.SetDisplayDeviceId(DeviceId::DisplayColour);
    QVERIFY(rb.IsDisplayDeviceIdValid());
    QCOMPARE(rb.DisplayDeviceId(), DeviceId::DisplayColour);
}

void TestRBData::clearResetsEverything()
{
    RBData rb;
    rb.SetDisplayDeviceId(DeviceId::DisplayColour);
    rb.SetDisplayLoggingFormat(RBData::LoggingFormatColourV2);
    rb.SetPresent(DeviceId::DisplayColour, true);
    rb.SetPresent(DeviceId::Bridge, true);
    rb.SetPresent(DeviceId::Rtc, true);
    rb.SetSerialNumber(DeviceId::C1, QStringLiteral("12C00417"));
    rb.SetCodeDetails(DeviceId::C2, RBData::DecodeCodeDetails(QByteArray::fromHex("050A130102012345")));
    rb.SetRtcDateTime(QDateTime::currentDateTime());
    rb.SetValid(true);

    rb.Clear();
    QVERIFY(!rb.IsValid());
    QVERIFY(!rb.IsDisplayDeviceIdValid());
    QCOMPARE(rb.DisplayDeviceId(), quint8(0));
    QCOMPARE(rb.DisplayLoggingFormat(), int(RBData::LoggingFormatUndefined));
    QVERIFY(!rb.IsHandsetPresent());
    QVERIFY(!rb.IsPresent(DeviceId::Bridge));
    QVERIFY(!rb.IsPresent(DeviceId::Rtc));
    QVERIFY(rb.SerialNumber(DeviceId::C1).isEmpty());
    QVERIFY(!rb.CodeDetailsValid(DeviceId::C2));
    QVERIFY(rb.CodeVersionText(DeviceId::C2).isEmpty());
    QCOMPARE(rb.CodeVersionNumber(DeviceId::C2), 0);
    QVERIFY(!rb.RtcDateTime().isValid());
}

void TestRBData::dumpShowsEachUnitsOwnValues()
{
    RBData rb;
    rb.SetSerialNumber(DeviceId::DisplayMono, QStringLiteral("12C00001"));
    rb.SetSerialNumber(DeviceId::C1, QStringLiteral("12C00002"));
    rb.SetSerialNumber(DeviceId::C2, QStringLiteral("12C00003"));
    rb.SetHardwareConfig(DeviceId::C2, 7);
    rb.SetPresent(DeviceId::C2, true);
    rb.SetRtcDateTime(QDateTime(QDate(2024, 6, 5), QTime(12, 30, 45)));

    const QStringList lines = rb.DumpLines();
    QCOMPARE(lines.first(), QStringLiteral("RBData Dump"));
    QCOMPARE(lines.last(), QStringLiteral("RBData Dump Complete"));
    QVERIFY(lines.contains(QStringLiteral("RTCDateTime 12:30:45 05.06.2024")));
    QVERIFY(lines.contains(QStringLiteral("Display Serial Number 12C00001")));
    QVERIFY(lines.contains(QStringLiteral("C1 Serial Number 12C00002")));
    QVERIFY(lines.contains(QStringLiteral("C2 Serial Number 12C00003")));
    QVERIFY(lines.contains(QStringLiteral("C2 Present true")));
    QVERIFY(lines.contains(QStringLiteral("C1 Present false")));
    QVERIFY(lines.contains(QStringLiteral("C2 Hardware Config 7")));
    // Header, eleven display lines, ten per controller, and the two end lines.
    QCOMPARE(lines.size(), 1 + 1 + 5 + 11 + 10 + 10 + 1);
}

void TestRBData::userInfoLines()
{
    RBData rb;
    rb.SetSerialNumber(DeviceId::DisplayMono, QStringLiteral("12C00417"));
    rb.SetUserInformation(DeviceId::DisplayMono, QStringLiteral("Jo Bloggs"),
                          QStringLiteral("01234 567890"), QStringLiteral("PL1 2AB"));
    const QStringList lines = rb.UserInfoLines();
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0), QStringLiteral("RBData User Info"));
    QCOMPARE(lines.at(1), QStringLiteral("Display Serial Number - 12C00417, User Name - Jo Bloggs, "
                                         "Telephone Number - 01234 567890, Post Code - PL1 2AB"));
    QCOMPARE(lines.at(2), QStringLiteral("C1 Serial Number - , User Name - , Telephone Number - , "
                                         "Post Code - "));
}

QTEST_GUILESS_MAIN(TestRBData)
#include "tst_RBData.moc"
