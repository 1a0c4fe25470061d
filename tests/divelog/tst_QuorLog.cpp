// Log record parser and dive sessions: loading generated dives in every file
// form, the result codes, timing, identification, tissues and the texts.

#include "DeviceList.h"
#include "LogFileWriter.h"
#include "LogLine.h"
#include "LogRecordGenerator.h"
#include "LogRecordLayout.h"
#include "QuorLog.h"
#include "QuorLogBattery.h"
#include "QuorLogDanData.h"
#include "QuorLogDiveInfo.h"
#include "QuorLogMemoryStore.h"
#include "QuorLogDeviceInfo.h"
#include "QuorLogDurations.h"
#include "QuorLogSession.h"
#include "SRDANData.h"
#include "StandardRecordFile.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

namespace L = LogRecordLayout;

namespace {

DivePlan SquareDive(bool wide)
{
    DivePlan plan;
    plan.wide = wide;
    plan.sampleInterval = wide ? 1 : 2;
    plan.profile = {{0, 0}, {120, 20}, {600, 20}, {780, 5}, {960, 5}, {1020, 0}};
    plan.gases = {{21, 0}, {18, 45}};
    plan.gasSwitches = {{0, 0}, {300, 1}};
    plan.diveNumber = 42;
    return plan;
}

QString Hex(const QByteArray &record) { return LogRecordGenerator::TextLine(record); }

// The text form of a generated log file: dive data and the handset's block.
QStringList GeneratedLines(const QVector<DivePlan> &sessions)
{
    return LogFileWriter::TextLines(LogRecordGenerator::LogFile(sessions));
}

QByteArray Wide(int code, quint32 ticks = 0)
{
    QByteArray r(L::WideRecordSize, '\0');
    r[0] = char(code);
    for (int i = 0; i < 4; ++i)
        r[1 + i] = char((ticks >> (8 * i)) & 0xFF);
    return r;
}

void PutDateTime(QByteArray &r, int at, int d, int m, int y, int hh, int mm, int ss)
{
    const int v[6] = {d, m, y, hh, mm, ss};
    for (int i = 0; i < 6; ++i)
        r[at + i] = char(v[i]);
}

// Every sample depth that lies inside the dive matches the plan.
void CompareToPlan(const QuorLogSession *session, const DivePlan &plan)
{
    int compared = 0;
    for (const QuorLogSample &s : session->Samples()) {
        const double diveTime = s.time - plan.surfaceBefore;
        if (diveTime < 0 || diveTime > plan.DiveLength())
            continue;
        QVERIFY2(std::fabs(s.Depth() - plan.DepthAt(diveTime)) < 0.006,
                 qPrintable(QStringLiteral("t=%1 depth %2 plan %3").arg(diveTime).arg(s.Depth()).arg(plan.DepthAt(diveTime))));
        ++compared;
    }
    QVERIFY(compared > int(plan.DiveLength() / plan.sampleInterval) - 2);
}

} // namespace

class TestQuorLog : public QObject
{
    Q_OBJECT

private slots:
    void roundTripThroughEveryForm_data();
    void roundTripThroughEveryForm();
    void fileResultCodes_data();
    void fileResultCodes();
    void sessionsWithoutDiveGiveInvalidData();
    void powerOnOffBoundary();
    void wideTimeStampUnits();
    void warmAndColdRestarts_data();
    void warmAndColdRestarts();
    void generatedRestartsKeepTheProfile_data();
    void generatedRestartsKeepTheProfile();
    void unknownRecordChangesNothing();
    void danLines_data();
    void danLines();
    void surfacePressurePlausibility_data();
    void surfacePressurePlausibility();
    void identifiesTheDiveAmongSessions();
    void logBookEntryDecides();
    void tissueFactorOverOneMinute();
    void negativeTimeSpanLeavesTissuesUnset();
    void restartWithAnInvalidTimeCostsOneSample_data();
    void restartWithAnInvalidTimeCostsOneSample();
    void diveDurationIsTheRecordedDiveTime_data();
    void diveDurationIsTheRecordedDiveTime();
    void logBookDurationCountsTheRecordedDiveTime();
    void batteryVoltageFormat_data();
    void batteryVoltageFormat();
    void danItemsSurviveTheTextForm_data();
    void danItemsSurviveTheTextForm();
    void damagedRecordsLoadAndAreReported_data();
    void damagedRecordsLoadAndAreReported();
    void durationTexts_data();
    void durationTexts();
    void deviceInfoTexts_data();
    void deviceInfoTexts();
    void floatRowsNeedTheTableFlag_data();
    void floatRowsNeedTheTableFlag();
    void batterySignedBytes_data();
    void batterySignedBytes();
    void diveInfoRecords();
    void textPosition_data();
    void textPosition();
    void binaryPosition();
    void binaryPositionSecondsCarry_data();
    void binaryPositionSecondsCarry();
    void memoryLinePairs();
    void dpsRecords();
    void hostileLinesNeverCrash();
};

void TestQuorLog::roundTripThroughEveryForm_data()
{
    QTest::addColumn<bool>("wide");
    QTest::addColumn<QString>("form");
    for (bool wide : {true, false})
        for (const char *form : {"text", "binary", "secured"})
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(wide ? "wide" : "narrow", form))) << wide << QString::fromLatin1(form);
}

void TestQuorLog::roundTripThroughEveryForm()
{
    QFETCH(bool, wide);
    QFETCH(QString, form);
    const DivePlan plan = SquareDive(wide);
    const LogFileContent content = LogRecordGenerator::LogFile(plan);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dive.ccl"));
    QString error;
    const bool written = form == QLatin1String("text") ? LogFileWriter::WriteText(path, content, &error)
        : form == QLatin1String("binary")              ? LogFileWriter::WritePlainBinary(path, content, &error)
                                                       : LogFileWriter::WriteSecured(path, content, &error);
    QVERIFY2(written, qPrintable(error));

    QuorLog log;
    QCOMPARE(log.Load(path), int(QuorLog::Success));
    QCOMPARE(log.IsWide(), wide);
    QCOMPARE(log.DeviceVersionNumber(), wide ? 7000003 : 6005002);
    QVERIFY(log.IsValid());
    QCOMPARE(log.Sessions().size(), 1);
    QVERIFY(log.DeviceFlag()); // the generated handset is a trimix unit
    QCOMPARE(log.DeviceInfo().diveMode, QStringLiteral("Trimix"));
    QCOMPARE(log.DeviceInfo().model, QStringLiteral("Seavane"));
    const QuorLogSession *session = log.IdentifiedSession();
    QVERIFY(session);
    QCOMPARE(session->DiveNumber(), 42);
    QCOMPARE(session->PowerOnDateTime(), plan.powerOn);
    QCOMPARE(session->DiveStartDateTime(), plan.DiveStart());
    QVERIFY(session->PowerOffDateTime().isValid());
    CompareToPlan(session, plan);

    const QuorLogDiveSummary summary = session->Summary();
    QCOMPARE(summary.greatestDepth, 20.0);
    QCOMPARE(summary.surfacePressure, 1013);
    QCOMPARE(summary.airTemperature, 21.5);
    QCOMPARE(summary.lowestTemperature, 12.5);
    // Trapezoid average of the square profile: (60*20/2 + ... ) / 1020 s.
    const double expectedAverage = (120 * 10.0 + 480 * 20.0 + 180 * 12.5 + 180 * 5.0 + 60 * 2.5) / 1020.0;
    QVERIFY2(std::fabs(summary.averageDepth - expectedAverage) < 0.05, qPrintable(QString::number(summary.averageDepth)));

    const QVector<QuorLogGasManagement::Gas> gases = session->GasManagement().GasesInUse();
    QCOMPARE(gases.size(), 2);
    QCOMPARE(gases.at(1).o2, 18);
    QCOMPARE(gases.at(1).he, 45);
    // The switch at 300 s is known to the gas management after the post-dive walk.
    QCOMPARE(session->GasManagement().CurrentGasIndex(299), 0);
    QCOMPARE(session->GasManagement().CurrentGasIndex(301), 1);
    // Trimix loads helium: compartment 1 after 20 min at 20 m.
    QVERIFY(session->Samples().last().tissuesSet);
    QVERIFY(session->Samples().at(session->Samples().size() / 2).he[0] > 100.0);
}

void TestQuorLog::fileResultCodes_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("errorStart");
    QTest::newRow("wrong extension") << "extension" << int(QuorLog::InvalidExtension) << "Invalid file extension";
    QTest::newRow("two bytes") << "two bytes" << int(QuorLog::InvalidFormat) << "Invalid file format";
    QTest::newRow("broken seal") << "seal" << int(QuorLog::InvalidChecksum) << "Invalid file checksum";
    QTest::newRow("text line checksum") << "line" << int(QuorLog::LineChecksumFailed) << "Invalid checksum in file";
    QTest::newRow("no dive") << "no dive" << int(QuorLog::InvalidData) << "File opened ok but contained invalid data";
    QTest::newRow("missing file") << "missing" << int(QuorLog::OpenFailed) << "Unable to open the file";
    QTest::newRow("a folder") << "folder" << int(QuorLog::OpenFailed) << "Unable to open the file";
}

void TestQuorLog::fileResultCodes()
{
    QFETCH(QString, damage);
    QFETCH(int, result);
    QFETCH(QString, errorStart);
    QTemporaryDir dir;
    DivePlan plan = SquareDive(true);
    plan.withDiveHeader = damage != QLatin1String("no dive");
    const LogFileContent content = LogRecordGenerator::LogFile(plan);
    QString path = dir.filePath(damage == QLatin1String("extension") ? QStringLiteral("dive.txt") : QStringLiteral("dive.ccl"));
    if (damage == QLatin1String("missing")) {
        path = dir.filePath(QStringLiteral("missing.ccl"));
    } else if (damage == QLatin1String("folder")) {
        path = dir.filePath(QStringLiteral("folder.ccl"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.ccl")));
    } else if (damage == QLatin1String("line")) {
        QStringList lines = LogFileWriter::TextLines(content);
        lines[10].replace(4, 1, lines[10].at(4) == QLatin1Char('0') ? QStringLiteral("1") : QStringLiteral("0"));
        QVERIFY(LogFileWriter::WriteTextLines(path, lines, nullptr));
    } else {
        QVERIFY(LogFileWriter::WriteSecured(path, content, nullptr));
    }
    if (damage == QLatin1String("two bytes") || damage == QLatin1String("seal")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        if (damage == QLatin1String("two bytes")) {
            bytes = QByteArray(2, '\0');
        } else {
            bytes[bytes.size() / 2] = char(bytes.at(bytes.size() / 2) ^ 0x01);
        }
        file.resize(0);
        file.seek(0);
        file.write(bytes);
    }
    QuorLog log;
    QCOMPARE(log.Load(path), result);
    QCOMPARE(log.LoadResult(), result);
    QVERIFY2(log.ErrorText().startsWith(errorStart), qPrintable(log.ErrorText()));
    QVERIFY(!log.IsValid());
    if (damage == QLatin1String("line"))
        QVERIFY2(log.ErrorText().contains(QStringLiteral(" at line 8 - ")), qPrintable(log.ErrorText()));
}

void TestQuorLog::sessionsWithoutDiveGiveInvalidData()
{
    DivePlan noHeader = SquareDive(true);
    noHeader.withDiveHeader = false;
    DivePlan surfaceOnly = SquareDive(true);
    surfaceOnly.profile.clear();
    const QStringList lines = GeneratedLines({noHeader, surfaceOnly});
    QuorLog log;
    QCOMPARE(log.LoadFromLines(lines), int(QuorLog::InvalidData));
    QCOMPARE(log.ErrorText(), QStringLiteral("File opened ok but contained invalid data"));
    QCOMPARE(log.Sessions().size(), 2);
    QVERIFY(!log.IsValid());

    QuorLog empty;
    QCOMPARE(empty.LoadFromLines({}), int(QuorLog::InvalidData));
    QCOMPARE(empty.IdentifiedIndex(), 0);
    QVERIFY(!empty.IdentifiedSession());
}

void TestQuorLog::powerOnOffBoundary()
{
    // Narrow log: power-on records must start a 64-byte block until the dive header.
    QByteArray filler(L::NarrowRecordSize, '\0');
    filler[0] = char(0x55);
    QByteArray powerOn(L::NarrowRecordSize, '\0');
    QStringList lines;
    for (int i = 0; i < 5; ++i)
        lines << Hex(filler);
    lines << Hex(powerOn);
    QuorLog log;
    QCOMPARE(log.LoadFromLines(lines), int(QuorLog::PowerOnOffBoundary));
    QCOMPARE(log.ErrorText(), QStringLiteral("Power On record found 'off' boundary, Line 6, %1").arg(lines.at(5)));

    // On the boundary, or off it after a dive header, the load goes on.
    QStringList onBoundary = lines.mid(0, 4) + QStringList{Hex(powerOn)};
    QuorLog log2;
    QCOMPARE(log2.LoadFromLines(onBoundary), int(QuorLog::InvalidData));
    QByteArray header(L::NarrowRecordSize, '\0');
    header[0] = char(L::Code::DiveHeader);
    QStringList afterHeader = QStringList{Hex(header)} + lines;
    QuorLog log3;
    QCOMPARE(log3.LoadFromLines(afterHeader), int(QuorLog::InvalidData));
}

void TestQuorLog::wideTimeStampUnits()
{
    const QString line = QStringLiteral("06") + QStringLiteral("00100000") + QString(54, QLatin1Char('0'));
    QCOMPARE(LogLine(line).TimeStamp(), quint32(4096));
    QCOMPARE(DeviceList::FixedPointFromHex(QStringLiteral("00100000")), 1.0);

    QuorLogSession session(nullptr, true, 7000003, false, QByteArray());
    QByteArray powerOn = Wide(L::Code::PowerOn, 0);
    session.AddRecord(LogLine(Hex(powerOn)), 1);
    session.AddRecord(LogLine(line + QStringLiteral("00")), 2);
    QCOMPARE(session.Samples().size(), 2);
    QCOMPARE(session.Samples().at(1).time, 1.0);

    // Times count from the power-on record's own time stamp.
    QuorLogSession later(nullptr, true, 7000003, false, QByteArray());
    later.AddRecord(LogLine(Hex(Wide(L::Code::PowerOn, 10 * 4096))), 1);
    later.AddRecord(LogLine(Hex(Wide(L::Code::Sample, 25 * 4096 + 2048))), 2);
    QCOMPARE(later.Samples().at(1).time, 15.5);
}

void TestQuorLog::warmAndColdRestarts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("validRestartTime");
    QTest::addColumn<double>("timeAfter");
    QTest::newRow("warm") << int(L::Code::WarmRestart) << true << 605.0;
    QTest::newRow("cold") << int(L::Code::ColdRestart) << true << 605.0;
    QTest::newRow("warm, invalid date keeps the time base") << int(L::Code::WarmRestart) << false << -95.0;
}

void TestQuorLog::warmAndColdRestarts()
{
    QFETCH(int, code);
    QFETCH(bool, validRestartTime);
    QFETCH(double, timeAfter);
    QuorLogSession session(nullptr, true, 7000003, false, QByteArray());
    QByteArray powerOn = Wide(L::Code::PowerOn, 100 * 4096);
    PutDateTime(powerOn, L::DateTimeAt::WidePowerOn, 14, 6, 26, 9, 0, 0);
    session.AddRecord(LogLine(Hex(powerOn)), 1);
    // The tick counter restarts at 0 with the wall clock ten minutes on.
    QByteArray restart = Wide(code, 0);
    if (validRestartTime) {
        PutDateTime(restart, L::DateTimeAt::WidePowerOn, 14, 6, 26, 9, 10, 0);
    } else {
        PutDateTime(restart, L::DateTimeAt::WidePowerOn, 31, 2, 26, 9, 10, 0);
        QTest::ignoreMessage(QtInfoMsg, "Warm Restart with an invalid time (or invalid power on time)");
    }
    session.AddRecord(LogLine(Hex(restart)), 2);
    session.AddRecord(LogLine(Hex(Wide(L::Code::Sample, 5 * 4096))), 3);
    QCOMPARE(session.Samples().last().time, timeAfter);
}

void TestQuorLog::generatedRestartsKeepTheProfile_data()
{
    QTest::addColumn<bool>("warm");
    QTest::newRow("warm restart mid-dive") << true;
    QTest::newRow("cold restart mid-dive") << false;
}

void TestQuorLog::generatedRestartsKeepTheProfile()
{
    QFETCH(bool, warm);
    DivePlan plan = SquareDive(true);
    plan.restarts = {{400.0, warm}};
    QuorLog log;
    QCOMPARE(log.LoadFromLines(GeneratedLines({plan})), 0);
    const QuorLogSession *session = log.IdentifiedSession();
    const QVector<QuorLogSample> &samples = session->Samples();
    for (int i = 1; i < samples.size(); ++i)
        QVERIFY2(samples.at(i).time > samples.at(i - 1).time, qPrintable(QString::number(i)));
    QVERIFY(samples.last().tissuesSet);
    CompareToPlan(session, plan);
    QCOMPARE(session->Events().last().code, warm ? int(L::Code::WarmRestart) : int(L::Code::ColdRestart));
}

void TestQuorLog::unknownRecordChangesNothing()
{
    DivePlan plan = SquareDive(true);
    const QStringList plain = GeneratedLines({plan});
    QStringList withUnknown = plain;
    QByteArray unknown(L::WideRecordSize, char(0x37));
    unknown[0] = char(0x55);
    withUnknown.insert(plain.size() / 2, Hex(unknown));
    QuorLog a, b;
    QCOMPARE(a.LoadFromLines(plain), 0);
    QCOMPARE(b.LoadFromLines(withUnknown), 0);
    const QuorLogSession *sa = a.IdentifiedSession();
    const QuorLogSession *sb = b.IdentifiedSession();
    QCOMPARE(sb->Samples().size(), sa->Samples().size());
    QCOMPARE(sb->Events().size(), sa->Events().size());
    QCOMPARE(sb->Summary().averageDepth, sa->Summary().averageDepth);
    QCOMPARE(sb->Samples().last().n2, sa->Samples().last().n2);
}

void TestQuorLog::danLines_data()
{
    QTest::addColumn<QString>("segment");
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("recognised");
    QTest::addColumn<bool>("stored");
    QTest::newRow("ZDH accepted, not stored") << "ZDH" << "03" << true << false;
    QTest::newRow("ZPD field 2 ignored") << "ZPD" << "02" << true << false;
    QTest::newRow("ZPD field 3 kept") << "ZPD" << "03" << true << true;
    QTest::newRow("ZSR field 15 kept") << "ZSR" << "15" << true << true;
    QTest::newRow("FSH field 6 ignored") << "FSH" << "06" << true << false;
    QTest::newRow("unknown segment") << "ABC" << "01" << false << false;
}

void TestQuorLog::danLines()
{
    QFETCH(QString, segment);
    QFETCH(QString, field);
    QFETCH(bool, recognised);
    QFETCH(bool, stored);
    const QString hex = QStringLiteral("D0") + QString::fromLatin1((segment + field + QStringLiteral("Smith^Alex")).toLatin1().toHex()).toUpper();
    const QString line = hex + DeviceList::LineChecksum(hex);
    QuorLogDanData dan;
    QCOMPARE(dan.AddLine(LogLine(line)), recognised);
    QCOMPARE(dan.Count(), stored ? 1 : 0);
    QCOMPARE(dan.Field(segment, field.toInt()), stored ? QStringLiteral("Smith^Alex") : QString());

    // Through the log, as a DAN line among dive records.
    DivePlan plan = SquareDive(true);
    QStringList lines = GeneratedLines({plan});
    lines << line;
    QuorLog log;
    QCOMPARE(log.LoadFromLines(lines), 0);
    QCOMPARE(log.DanData().Count(), stored ? 1 : 0);
}

void TestQuorLog::surfacePressurePlausibility_data()
{
    QTest::addColumn<int>("recorded");
    QTest::addColumn<int>("used");
    QTest::newRow("1100 is not plausible") << 1100 << 1000;
    QTest::newRow("1081") << 1081 << 1000;
    QTest::newRow("1080") << 1080 << 1080;
    QTest::newRow("1013") << 1013 << 1013;
    QTest::newRow("600") << 600 << 600;
    QTest::newRow("599") << 599 << 1000;
}

void TestQuorLog::surfacePressurePlausibility()
{
    QFETCH(int, recorded);
    QFETCH(int, used);
    QCOMPARE(QuorLogSession::CheckedSurfacePressure(recorded), used);
    // A sample at 1500 mbar reads its depth against the pressure used.
    QuorLogSession session(nullptr, true, 7000003, false, QByteArray());
    session.AddRecord(LogLine(Hex(Wide(L::Code::PowerOn))), 1);
    QByteArray start = Wide(L::Code::SessionStartFull);
    start[L::SessionStartFull::SurfacePressure] = char(recorded >> 8);
    start[L::SessionStartFull::SurfacePressure + 1] = char(recorded & 0xFF);
    session.AddRecord(LogLine(Hex(start)), 2);
    QByteArray sample = Wide(L::Code::Sample, 4096);
    sample[L::WideSample::AmbientPressure] = char(1500 >> 8);
    sample[L::WideSample::AmbientPressure + 1] = char(1500 & 0xFF);
    session.AddRecord(LogLine(Hex(sample)), 3);
    QCOMPARE(session.Samples().last().surfacePressure, used);
    QCOMPARE(session.Samples().last().Depth(), (1500 - used) / 100.0);
}

void TestQuorLog::identifiesTheDiveAmongSessions()
{
    // A short check on the surface, the dive, and a power-on afterwards.
    DivePlan check = SquareDive(true);
    check.profile.clear();
    check.withDiveHeader = false;
    DivePlan dive = SquareDive(true);
    dive.powerOn = check.powerOn.addSecs(3600);
    DivePlan after = check;
    after.powerOn = dive.powerOn.addSecs(7200);
    const QStringList lines = GeneratedLines({check, dive, after});
    QuorLog log;
    QCOMPARE(log.LoadFromLines(lines), 0);
    QCOMPARE(log.Sessions().size(), 3);
    QCOMPARE(log.IdentifiedIndex(), 1);
    QCOMPARE(log.CurrentSession(), log.Sessions().at(1));
}

void TestQuorLog::logBookEntryDecides()
{
    // Two real dives in one file; the log-book entry names the first.
    DivePlan first = SquareDive(true);
    first.diveNumber = 7;
    DivePlan second = SquareDive(true);
    second.diveNumber = 8;
    second.powerOn = first.powerOn.addSecs(4 * 3600);
    second.profile = {{0, 0}, {60, 30}, {1800, 30}, {2000, 0}};
    const QStringList lines = GeneratedLines({first, second});

    QuorLog without;
    QCOMPARE(without.LoadFromLines(lines), 0);
    QCOMPARE(without.IdentifiedIndex(), 1); // later and longer

    QByteArray entry(32, char(0xFF));
    entry[0] = char(0x70);
    entry[1] = 0;
    entry[2] = char(7);
    entry[3] = char(first.sequence);
    const QDateTime start = first.DiveStart();
    const int dt[6] = {start.date().day(), start.date().month(), start.date().year() - 2000,
                       start.time().hour(), start.time().minute(), start.time().second()};
    for (int i = 0; i < 6; ++i)
        entry[4 + i] = char(dt[i]);
    QuorLog::FileInfo info;
    info.logBookEntry = entry;
    QuorLog with;
    QCOMPARE(with.LoadFromLines(lines, info), 0);
    QCOMPARE(with.IdentifiedIndex(), 0);
    QCOMPARE(with.IdentifiedSession()->DiveNumber(), 7);
    QVERIFY(!with.Sessions().at(1)->DiveHeaderAccepted());

    // An entry that matches no dive header leaves no dive at all.
    entry[2] = char(99);
    info.logBookEntry = entry;
    QuorLog none;
    QCOMPARE(none.LoadFromLines(lines, info), int(QuorLog::InvalidData));
}

void TestQuorLog::tissueFactorOverOneMinute()
{
    QuorLogSession session(nullptr, true, 7000003, false, QByteArray());
    session.AddRecord(LogLine(Hex(Wide(L::Code::PowerOn))), 1);
    QByteArray start = Wide(L::Code::SessionStartFull);
    start[L::SessionStartFull::SurfacePressure] = char(1013 >> 8);
    start[L::SessionStartFull::SurfacePressure + 1] = char(1013 & 0xFF);
    session.AddRecord(LogLine(Hex(start)), 2);
    QByteArray a = Wide(L::Code::Sample, 60 * 4096);
    a[L::WideSample::AmbientPressure] = char(1000 >> 8);
    a[L::WideSample::AmbientPressure + 1] = char(1000 & 0xFF);
    QByteArray b = Wide(L::Code::Sample, 120 * 4096);
    b[L::WideSample::AmbientPressure] = char(1000 >> 8);
    b[L::WideSample::AmbientPressure + 1] = char(1000 & 0xFF);
    session.AddRecord(LogLine(Hex(a)), 3);
    session.AddRecord(LogLine(Hex(b)), 4);
    const QuorLogSample &sa = session.Samples().at(1);
    const QuorLogSample &sb = session.Samples().at(2);
    QCOMPARE(sb.time - sa.time, 60.0);
    const double inspired = (1000 - 56) * 0.79;
    QVERIFY(std::fabs(sa.n2[0] - inspired) > 1.0); // the factor is measurable
    const double k = (sb.n2[0] - sa.n2[0]) / (inspired - sa.n2[0]);
    QVERIFY2(std::fabs(k - (1.0 - std::pow(2.0, -0.25))) < 1e-9, qPrintable(QString::number(k, 'f', 6)));
    QVERIFY(std::fabs(k - 0.159) < 0.0005);
    QCOMPARE(sb.he[0], 0.0);
}

void TestQuorLog::negativeTimeSpanLeavesTissuesUnset()
{
    QuorLogSession session(nullptr, true, 7000003, false, QByteArray());
    session.AddRecord(LogLine(Hex(Wide(L::Code::PowerOn, 100 * 4096))), 1);
    session.AddRecord(LogLine(Hex(Wide(L::Code::Sample, 110 * 4096))), 2);
    QTest::ignoreMessage(QtDebugMsg, "calcTissueTrackValues() - Invalid time span");
    session.AddRecord(LogLine(Hex(Wide(L::Code::Sample, 105 * 4096))), 3);
    QVERIFY(session.Samples().at(1).tissuesSet);
    QVERIFY(!session.Samples().at(2).tissuesSet);
}

void TestQuorLog::restartWithAnInvalidTimeCostsOneSample_data()
{
    QTest::addColumn<bool>("warm");
    QTest::newRow("warm restart") << true;
    QTest::newRow("cold restart") << false;
}

void TestQuorLog::restartWithAnInvalidTimeCostsOneSample()
{
    // A restart whose date-time is impossible leaves the time base alone, so
    // the restarted tick counter steps the sample time back once. Only that
    // sample's tissues stay unset; loading goes on from the next sample.
    QFETCH(bool, warm);
    const DivePlan plain = SquareDive(true);
    DivePlan restarted = plain;
    restarted.restarts = {{400.0, warm, false, false}};
    QuorLog reference, log;
    QCOMPARE(reference.LoadFromLines(GeneratedLines({plain})), 0);
    QCOMPARE(log.LoadFromLines(GeneratedLines({restarted})), 0);
    const QVector<QuorLogSample> &samples = log.IdentifiedSession()->Samples();
    const QVector<QuorLogSample> &expected = reference.IdentifiedSession()->Samples();
    QCOMPARE(samples.size(), expected.size());
    int unset = 0;
    for (const QuorLogSample &s : samples)
        unset += s.tissuesSet ? 0 : 1;
    QCOMPARE(unset, 1);
    // One lost second of loading over a 17-minute trimix dive: the tissues
    // at the end are those of the dive without the restart, within 2 mbar.
    QVERIFY(samples.last().tissuesSet);
    for (int i = 0; i < QuorLogSample::Compartments; ++i) {
        QVERIFY2(std::fabs(samples.last().n2[i] - expected.last().n2[i]) < 2.0, qPrintable(QString::number(i)));
        QVERIFY2(std::fabs(samples.last().he[i] - expected.last().he[i]) < 2.0, qPrintable(QString::number(i)));
    }
    // Helium is loading again after the restart (the switch to trimix came before it).
    const int middle = samples.size() / 2;
    QVERIFY(samples.at(middle).time < samples.at(middle - 1).time + 2.0);
    QVERIFY(samples.at(middle).tissuesSet);
    QVERIFY(samples.at(middle).he[0] > 100.0);
}

void TestQuorLog::diveDurationIsTheRecordedDiveTime_data()
{
    QTest::addColumn<bool>("wide");
    QTest::addColumn<int>("diveSeconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("wide, 1440 s") << true << 1440 << "24:00 (mm:ss)";
    QTest::newRow("narrow, 1440 s") << false << 1440 << "24:00 (mm:ss)";
    QTest::newRow("wide, 3720 s") << true << 3720 << "1:02:00 (hh:mm:ss)";
}

void TestQuorLog::diveDurationIsTheRecordedDiveTime()
{
    // The session runs on past the dive (30 s at the surface before and
    // after); the duration is the dive time the handset recorded.
    QFETCH(bool, wide);
    QFETCH(int, diveSeconds);
    QFETCH(QString, text);
    DivePlan plan = SquareDive(wide);
    plan.profile = {{0, 0}, {120, 20}, {diveSeconds - 300.0, 20}, {double(diveSeconds), 0}};
    plan.surfaceAfter = 90;
    QuorLog log;
    QCOMPARE(log.LoadFromLines(GeneratedLines({plan})), 0);
    QCOMPARE(log.IdentifiedSession()->Summary().diveDuration, diveSeconds);
    QCOMPARE(log.DiveDurationText(), text);
}

void TestQuorLog::logBookDurationCountsTheRecordedDiveTime()
{
    // Two sessions whose dive headers both match the log-book entry; only
    // the entry's duration tells them apart. The first dive is shorter and
    // earlier in the list, so without the duration score the second wins.
    DivePlan first = SquareDive(true);
    first.profile = {{0, 0}, {120, 20}, {900, 20}, {1020, 0}};
    DivePlan second = SquareDive(true);
    second.powerOn = first.powerOn.addSecs(-600);
    second.surfaceBefore = first.surfaceBefore + 600;
    second.profile = {{0, 0}, {120, 20}, {1200, 20}, {1320, 0}};
    QCOMPARE(second.DiveStart(), first.DiveStart());

    QByteArray entry(32, char(0xFF));
    entry[0] = char(0x70);
    entry[1] = char(first.diveNumber >> 8);
    entry[2] = char(first.diveNumber & 0xFF);
    entry[3] = char(first.sequence);
    const QDateTime start = first.DiveStart();
    const int dt[6] = {start.date().day(), start.date().month(), start.date().year() - 2000,
                       start.time().hour(), start.time().minute(), start.time().second()};
    for (int i = 0; i < 6; ++i)
        entry[4 + i] = char(dt[i]);
    entry[18] = char(1020 >> 8); // duration, s
    entry[19] = char(1020 & 0xFF);
    entry[20] = 0; // maximum depth 0 cm: matches neither
    entry[21] = 0;
    QuorLog::FileInfo info;
    info.logBookEntry = entry;
    QuorLog log;
    QCOMPARE(log.LoadFromLines(GeneratedLines({first, second}), info), 0);
    QVERIFY(log.Sessions().at(0)->DiveHeaderAccepted());
    QVERIFY(log.Sessions().at(1)->DiveHeaderAccepted());
    QCOMPARE(log.IdentifiedIndex(), 0);
}

void TestQuorLog::batteryVoltageFormat_data()
{
    QTest::addColumn<bool>("wide");
    QTest::addColumn<bool>("raw");
    QTest::newRow("wide, scaled") << true << false;
    QTest::newRow("wide, unscaled") << true << true;
    QTest::newRow("narrow, scaled") << false << false;
    QTest::newRow("narrow, unscaled") << false << true;
}

void TestQuorLog::batteryVoltageFormat()
{
    // The generator stores 3.6 V as 144 (x 40). A handset whose information
    // says its voltages are unscaled has them read as stored.
    QFETCH(bool, wide);
    QFETCH(bool, raw);
    GeneratedHandset handset;
    handset.voltageFormatRaw = raw;
    const LogFileContent content = LogRecordGenerator::LogFile(SquareDive(wide), handset);
    QuorLog log;
    QCOMPARE(log.LoadFromLines(LogFileWriter::TextLines(content)), 0);
    QCOMPARE(log.VoltageFormatRaw(), raw);
    const QuorLogSample &sample = log.IdentifiedSession()->Samples().at(100);
    const double stored[4] = {144, 140, 142, 138};
    for (int i = 0; i < QuorLogSample::VoltageCount; ++i)
        QCOMPARE(sample.voltage[i], raw ? stored[i] : stored[i] / 40.0);
}

void TestQuorLog::danItemsSurviveTheTextForm_data()
{
    QTest::addColumn<QString>("form");
    QTest::newRow("text") << "text";
    QTest::newRow("secured") << "secured";
}

void TestQuorLog::danItemsSurviveTheTextForm()
{
    // A DAN item of a container (segment, field number, text) reaches the
    // log's DAN store whether the file is read as a container or was first
    // written out in text form.
    QFETCH(QString, form);
    LogFileContent content = LogRecordGenerator::LogFile(SquareDive(true));
    const auto item = [](const char *segment, int field, const QByteArray &text) {
        SRDANData::Item dan;
        dan.id = {quint8(segment[0]), quint8(segment[1]), quint8(segment[2])};
        dan.type = quint8(field);
        dan.data = text;
        return dan;
    };
    content.danItems = {item("ZPD", 3, "Smith^Alex"), item("ZSR", 15, "42"), item("FSH", 4, "2026"),
                        item("ZPD", 2, "not kept"), item("ZDH", 3, "not stored"), item("ZPA", 120, "no field")};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dan.ccl"));
    const bool written = form == QLatin1String("text") ? LogFileWriter::WriteText(path, content, nullptr)
                                                       : LogFileWriter::WriteSecured(path, content, nullptr);
    QVERIFY(written);
    QuorLog log;
    QCOMPARE(log.Load(path), 0);
    QCOMPARE(log.DanData().Field(QStringLiteral("ZPD"), 3), QStringLiteral("Smith^Alex"));
    QCOMPARE(log.DanData().Field(QStringLiteral("ZSR"), 15), QStringLiteral("42"));
    QCOMPARE(log.DanData().Field(QStringLiteral("FSH"), 4), QStringLiteral("2026"));
    QCOMPARE(log.DanData().Count(), 3);
}

void TestQuorLog::damagedRecordsLoadAndAreReported_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("stored record CRC wrong") << "crc";
    QTest::newRow("one dive-data byte changed") << "byte";
}

void TestQuorLog::damagedRecordsLoadAndAreReported()
{
    // The record CRC of the dive data fails while the file's own CRC and
    // seal hold (the damage happened before the file was sealed): the dive
    // still loads whole, and the damage is reported.
    QFETCH(QString, damage);
    const LogFileContent content = LogRecordGenerator::LogFile(SquareDive(true));
    QByteArray stream = LogFileWriter::RecordStream(content);
    int at = 0;
    while (StandardRecord::ReadU16(stream.constData() + at) != RecordType::DiveLogData)
        at += StandardRecord::Overhead + int(StandardRecord::ReadU32(stream.constData() + at + 2));
    const int length = int(StandardRecord::ReadU32(stream.constData() + at + 2));
    // Or the low byte of one sample's ambient pressure. Scrambling is a XOR,
    // so the bit flips the same bit of the plain record.
    int sample = 300;
    while (content.diveData.at(sample * L::WideRecordSize) != char(L::Code::Sample))
        ++sample;
    const int changeAt = damage == QLatin1String("crc")
        ? at + StandardRecord::HeaderSize + length
        : at + StandardRecord::HeaderSize + 4 + sample * L::WideRecordSize + L::WideSample::AmbientPressure + 1;
    stream[changeAt] = char(stream.at(changeAt) ^ 0x01);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("damaged.ccl"));
    QVERIFY(StandardRecordFile::WriteFileSafely(path, StandardRecordFile::SecuredContainer(stream), nullptr));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
        "^CclFileLoader::Load\\(\\) - .*damaged\\.ccl - record 2 \\(dive data\\) failed its CRC check - converted as stored$")));
    QuorLog log;
    QCOMPARE(log.Load(path), 0);
    QCOMPARE(log.DamagedRecords(), QStringList{QStringLiteral("record 2 (dive data) failed its CRC check")});
    QuorLog intact;
    QCOMPARE(intact.LoadFromLines(LogFileWriter::TextLines(content)), 0);
    QVERIFY(intact.DamagedRecords().isEmpty());
    const QVector<QuorLogSample> &samples = log.IdentifiedSession()->Samples();
    const QVector<QuorLogSample> &expected = intact.IdentifiedSession()->Samples();
    QCOMPARE(samples.size(), expected.size());
    int differing = 0;
    for (int i = 0; i < samples.size(); ++i)
        differing += samples.at(i).ambientPressure != expected.at(i).ambientPressure ? 1 : 0;
    QCOMPARE(differing, damage == QLatin1String("crc") ? 0 : 1);
}

void TestQuorLog::durationTexts_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("dive 3599 s") << "dive" << qint64(3599) << "59:59 (mm:ss)";
    QTest::newRow("dive 3600 s") << "dive" << qint64(3600) << "1:00:00 (hh:mm:ss)";
    QTest::newRow("dive 0 s") << "dive" << qint64(0) << "00:00 (mm:ss)";
    QTest::newRow("interval 359999 s") << "interval" << qint64(359999) << "99:59:59 (hh:mm:ss)";
    QTest::newRow("interval 360000 s") << "interval" << qint64(360000) << "> 99:59:59";
    QTest::newRow("interval 3725 s") << "interval" << qint64(3725) << "01:02:05 (hh:mm:ss)";
    QTest::newRow("minutes 125") << "minutes" << qint64(125) << "2:05 hh:mm";
    QTest::newRow("minutes 0") << "minutes" << qint64(0) << "Invalid";
    QTest::newRow("minutes not logged") << "minutes" << qint64(-1) << "Not logged";
}

void TestQuorLog::durationTexts()
{
    QFETCH(QString, kind);
    QFETCH(qint64, value);
    QFETCH(QString, text);
    if (kind == QLatin1String("dive"))
        QCOMPARE(QuorLogDurations::DiveDurationText(int(value)), text);
    else if (kind == QLatin1String("interval"))
        QCOMPARE(QuorLogDurations::IntervalText(value), text);
    else
        QCOMPARE(QuorLogDurations::MinuteCountText(int(value)), text);
    if (kind == QLatin1String("interval")) {
        const QDateTime from(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
        QCOMPARE(QuorLogDurations::IntervalText(from, from.addSecs(value)), text);
        QCOMPARE(QuorLogDurations::IntervalText(QDateTime(), from), QStringLiteral("Invalid"));
    }
}

void TestQuorLog::deviceInfoTexts_data()
{
    QTest::addColumn<int>("diveMode");
    QTest::addColumn<int>("weight");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("diveModeText");
    QTest::addColumn<QString>("weightText");
    QTest::addColumn<QString>("sizeText");
    QTest::newRow("216") << 216 << 0 << 4 << "Recreational 2" << "16 Kg" << "XX Large";
    QTest::newRow("26") << 26 << 2 << 0 << "Unknown value" << "Jacket" << "Small";
    QTest::newRow("43") << 43 << 3 << 5 << "Trimix" << "Unknown value" << "Unknown value";
    QTest::newRow("0") << 0 << 1 << 1 << "Dive Timer" << "22 Kg" << "Medium";
}

void TestQuorLog::deviceInfoTexts()
{
    QFETCH(int, diveMode);
    QFETCH(int, weight);
    QFETCH(int, size);
    QFETCH(QString, diveModeText);
    QFETCH(QString, weightText);
    QFETCH(QString, sizeText);
    QByteArray block = LogRecordGenerator::InfoBlock(GeneratedHandset(), true);
    block[L::InfoBlock::DiveMode] = char(diveMode);
    block[L::InfoBlock::Weight] = char(weight);
    block[L::InfoBlock::Size] = char(size);
    const QuorLogDeviceInfo info = QuorLogDeviceInfo::Decode(block);
    QCOMPARE(info.diveMode, diveModeText);
    QCOMPARE(info.weight, weightText);
    QCOMPARE(info.size, sizeText);
    QCOMPARE(info.userName, QStringLiteral("Alex Diver"));
    QCOMPARE(info.serviceDate, QStringLiteral("01/03/2026"));
    QCOMPARE(info.flag, QStringLiteral("No"));
    QCOMPARE(info.decoOption, QStringLiteral("No"));

    // A set flag byte leaves the three options empty; a short block decodes safely.
    block[L::InfoBlock::FlagByte] = 1;
    const QuorLogDeviceInfo flagged = QuorLogDeviceInfo::Decode(block);
    QCOMPARE(flagged.flag, QStringLiteral("Yes"));
    QVERIFY(flagged.decoOption.isEmpty());
    QCOMPARE(QuorLogDeviceInfo::Decode(block.left(10)).serviceDate, QStringLiteral("Invalid Date"));
}

void TestQuorLog::floatRowsNeedTheTableFlag_data()
{
    QTest::addColumn<bool>("tableFlag");
    QTest::newRow("flag set") << true;
    QTest::newRow("flag clear") << false;
}

void TestQuorLog::floatRowsNeedTheTableFlag()
{
    QFETCH(bool, tableFlag);
    QuorLogSession session(nullptr, true, 7000003, false, QByteArray());
    QByteArray powerOn = Wide(L::Code::PowerOn);
    powerOn[L::PowerOn::WideTableFlag] = char(tableFlag ? 1 : 0);
    session.AddRecord(LogLine(Hex(powerOn)), 1);
    // 1.5f is 00 00 C0 3F little-endian; the device moves the exponent's low
    // bit into b3 and the sign into b2: 00 00 40 7F. -2.0f (00 00 00 C0) is 00 00 80 80.
    QByteArray row = Wide(0x23);
    const char one[4] = {0x00, 0x00, 0x40, 0x7F};
    const char two[4] = {0x00, 0x00, char(0x80), char(0x80)};
    for (int i = 0; i < 4; ++i) {
        row[L::FloatRow::First + i] = one[i];
        row[L::FloatRow::First + L::FloatRow::Stride + i] = two[i];
    }
    session.AddRecord(LogLine(Hex(row)), 2);
    QCOMPARE(session.FloatRows().size(), tableFlag ? 1 : 0);
    if (tableFlag) {
        QCOMPARE(session.FloatRows().first().code, 0x23);
        QCOMPARE(session.FloatRows().first().values[0], 1.5f);
        QCOMPARE(session.FloatRows().first().values[1], -2.0f);
        QCOMPARE(session.FloatRows().first().values[2], 0.0f);
    }
}

void TestQuorLog::batterySignedBytes_data()
{
    QTest::addColumn<int>("raw");
    QTest::addColumn<double>("value");
    QTest::newRow("0x00") << 0x00 << 0.0;
    QTest::newRow("0x7F") << 0x7F << 127 * 40.0;
    QTest::newRow("0x80") << 0x80 << -127 * 40.0;
    QTest::newRow("0xFE") << 0xFE << -40.0;
    QTest::newRow("0xFF") << 0xFF << 0.0;
}

void TestQuorLog::batterySignedBytes()
{
    QFETCH(int, raw);
    QFETCH(double, value);
    QCOMPARE(QuorLogBattery::SignedByteTimes40(raw), value);
    QByteArray record = Wide(L::Code::Battery, 8192);
    record[29] = char(raw);      // characters 58-59
    record[9] = char(0x01);      // characters 18-21: the value x 0.5
    record[10] = char(0x00);
    QuorLogBattery battery;
    QVERIFY(battery.Decode(LogLine(Hex(record)), 0.0));
    QCOMPARE(battery.Time(), 2.0);
    QCOMPARE(battery.Value(13), value);
    QCOMPARE(battery.Value(2), 128.0); // 0x0100 x 0.5
    QVERIFY(!battery.Decode(LogLine(Hex(record).left(64)), 0.0));
}

void TestQuorLog::diveInfoRecords()
{
    DivePlan plan = SquareDive(true);
    plan.diveInfoTexts = {{0x80, QStringLiteral("Porthkerris")}, {0x81, QStringLiteral("Drop-off")},
                          {0x83, QStringLiteral("Sam")}, {0x8A, QStringLiteral("ignored")},
                          {0x85, QString::fromLatin1("50\xB0" "2'3''N,5\xB0" "6'7''W")}};
    QuorLog log;
    QCOMPARE(log.LoadFromLines(GeneratedLines({plan})), 0);
    QCOMPARE(log.DiveInfo().Location(), QStringLiteral("Porthkerris"));
    QCOMPARE(log.DiveInfo().SiteName(), QStringLiteral("Drop-off"));
    QCOMPARE(log.DiveInfo().BuddyName(), QStringLiteral("Sam"));
    QVERIFY(log.DiveInfo().Text(0x8A).isEmpty());
    QVERIFY(log.DiveInfo().HasPosition());
    QCOMPARE(log.DiveInfo().PositionText(), QString::fromUtf8("50° 2´ 3\" N 5° 6´ 7\" W"));
    QVERIFY(std::fabs(log.DiveInfo().Latitude() - (50 + 2 / 60.0 + 3 / 3600.0)) < 1e-9);
    QVERIFY(log.DiveInfo().Longitude() < 0);
}

void TestQuorLog::textPosition_data()
{
    QTest::addColumn<QByteArray>("text"); // Latin-1, as the record carries it
    QTest::addColumn<QString>("shown");   // empty: no position

    QTest::newRow("seconds as two quotes") << QByteArray("50\xB0" "2'3''N,5\xB0" "6'7''W")
                                           << QString::fromUtf8("50° 2´ 3\" N 5° 6´ 7\" W");
    QTest::newRow("blanks around the parts") << QByteArray("50\xB0 12' 30'' N, 3\xB0 4' 5'' W")
                                             << QString::fromUtf8("50° 12´ 30\" N 3° 4´ 5\" W");
    // Three quotes: the first two close the seconds, the third stands alone.
    QTest::newRow("three quotes") << QByteArray("1\xB0" "2'3'" "''N,4\xB0" "5'6''E")
                                  << QString::fromUtf8("1° 2´ 3\" N 4° 5´ 6\" E");
    QTest::newRow("separators in a row are one cut") << QByteArray("1\xB0\xB0" "2',,3''N,4\xB0" "5'6''E")
                                                     << QString::fromUtf8("1° 2´ 3\" N 4° 5´ 6\" E");
    QTest::newRow("seven parts are no position") << QByteArray("50\xB0" "2'3''N,5\xB0" "6'7''") << QString();
    QTest::newRow("separators only") << QByteArray("'" "'" "',\xB0") << QString();
}

void TestQuorLog::textPosition()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, shown);
    QByteArray record(L::WideRecordSize, '\0');
    record[0] = char(L::Code::DiveInfoPosition);
    record.replace(1, text.size(), text);
    record.truncate(L::WideRecordSize);
    QuorLogDiveInfo info;
    info.AddRecord(LogLine(Hex(record)));
    QCOMPARE(info.Text(L::Code::DiveInfoPosition), QString::fromLatin1(text));
    QCOMPARE(info.HasPosition(), !shown.isEmpty());
    if (!shown.isEmpty())
        QCOMPARE(info.PositionText(), shown);
}

void TestQuorLog::binaryPosition()
{
    // 50.5 N, 5.25 W as signed counts of 1/10000000 degree.
    QByteArray record(L::WideRecordSize, '\0');
    record[0] = char(L::Code::DiveInfoPosition);
    const qint32 lat = 505000000, lon = -52500000;
    for (int i = 0; i < 4; ++i) {
        record[1 + i] = char((quint32(lat) >> (24 - 8 * i)) & 0xFF);
        record[5 + i] = char((quint32(lon) >> (24 - 8 * i)) & 0xFF);
    }
    QuorLogDiveInfo info;
    info.AddRecord(LogLine(Hex(record)));
    QVERIFY(info.HasPosition());
    QCOMPARE(info.Latitude(), 50.5);
    QCOMPARE(info.Longitude(), -5.25);
    QCOMPARE(info.PositionText(), QString::fromUtf8("50° 30´ 0.0\" N 5° 15´ 0.0\" W"));

    // An out-of-range longitude is not a position.
    record[5] = char(0x7F);
    QuorLogDiveInfo wild;
    wild.AddRecord(LogLine(Hex(record)));
    QVERIFY(!wild.HasPosition());
}

void TestQuorLog::binaryPositionSecondsCarry_data()
{
    QTest::addColumn<int>("latitude");
    QTest::addColumn<int>("longitude");
    QTest::addColumn<QString>("text");
    // Seconds that round up to a whole minute carry into the minutes, and on
    // into the degrees: never "60.0" seconds or 60 minutes.
    QTest::newRow("into minutes") << 502166660 << -52999999 << QString::fromUtf8("50° 13´ 0.0\" N 5° 18´ 0.0\" W");
    QTest::newRow("into degrees") << 509999999 << 1799999999 << QString::fromUtf8("51° 0´ 0.0\" N 180° 0´ 0.0\" E");
    QTest::newRow("no carry") << 502163889 << -52997222 << QString::fromUtf8("50° 12´ 59.0\" N 5° 17´ 59.0\" W");
}

void TestQuorLog::binaryPositionSecondsCarry()
{
    QFETCH(int, latitude);
    QFETCH(int, longitude);
    QFETCH(QString, text);
    QByteArray record(L::WideRecordSize, '\0');
    record[0] = char(L::Code::DiveInfoPosition);
    for (int i = 0; i < 4; ++i) {
        record[1 + i] = char((quint32(latitude) >> (24 - 8 * i)) & 0xFF);
        record[5 + i] = char((quint32(longitude) >> (24 - 8 * i)) & 0xFF);
    }
    QuorLogDiveInfo info;
    info.AddRecord(LogLine(Hex(record)));
    QVERIFY(info.HasPosition());
    QCOMPARE(info.PositionText(), text);
}

void TestQuorLog::memoryLinePairs()
{
    QuorLogMemoryStore store;
    const QString header = QStringLiteral("B0010200001000A3");
    QString data = QStringLiteral("B1") + QStringLiteral("0a0b0c");
    data += DeviceList::LineChecksum(data);
    QVERIFY(store.AddLinePair(header, data));
    QCOMPARE(store.Blocks().size(), 1);
    QCOMPARE(store.Blocks().first().deviceId, 0x01);
    QCOMPARE(store.Blocks().first().memoryId, 0x02);
    QCOMPARE(store.Blocks().first().startAddress, quint32(0x1000));
    QCOMPARE(store.Blocks().first().bytes, QByteArray::fromHex("0a0b0c"));
    // A header of another length, or a missing data line, keeps nothing.
    QVERIFY(!store.AddLinePair(QStringLiteral("B001020000100A3"), data));
    QVERIFY(!store.AddLinePair(header, QStringLiteral("060000")));
    QCOMPARE(store.Blocks().size(), 1);
}

void TestQuorLog::dpsRecords()
{
    QByteArray record = Wide(L::Code::DpsB, 3 * 4096);
    record[9] = char(0x01);   // characters 18-21: 0x0100 / 10
    record[10] = char(0x00);
    record[15] = char(0x12);  // characters 30-35: 24-bit 0x123456
    record[16] = char(0x34);
    record[17] = char(0x56);
    QuorLogSession session(nullptr, true, 7000003, false, QByteArray());
    session.AddRecord(LogLine(Hex(Wide(L::Code::PowerOn))), 1);
    session.AddRecord(LogLine(Hex(record)), 2);
    record[0] = char(L::Code::DpsA);
    session.AddRecord(LogLine(Hex(record)), 3);
    QCOMPARE(session.DpsRecords().size(), 2);
    const QuorLogDPS &b = session.DpsRecords().at(0);
    QCOMPARE(b.Time(), 3.0);
    QCOMPARE(b.Values().size(), 12);
    QCOMPARE(b.Values().at(3), 25.6);
    QCOMPARE(b.Values().at(6), double(0x123456));
    const QuorLogDPS &a = session.DpsRecords().at(1);
    QCOMPARE(a.Values().size(), 13);
    QCOMPARE(a.Values().at(2), double(0x0100)); // characters 18-21 unscaled here
}

void TestQuorLog::hostileLinesNeverCrash()
{
    // Truncated, non-hex and oversized lines anywhere in a real dive.
    const DivePlan plan = SquareDive(true);
    QStringList lines = GeneratedLines({plan});
    const QStringList hostile = {QStringLiteral("0"), QStringLiteral("00"), QStringLiteral("06ZZZZ"),
                                 QStringLiteral("B0"), QStringLiteral("B1"), QStringLiteral("B0010200001000A3"),
                                 QStringLiteral("D0"), QStringLiteral("85"), QStringLiteral("03") + QString(64, QLatin1Char('F')),
                                 QString(5000, QLatin1Char('A')), QStringLiteral("7F")};
    for (int i = 0; i < hostile.size(); ++i)
        lines.insert((i * 37) % lines.size(), hostile.at(i));
    QuorLog log;
    const int result = log.LoadFromLines(lines);
    QVERIFY(result == QuorLog::Success || result == QuorLog::InvalidData);
    // On their own, the "00" line is a narrow power-on record off its boundary.
    QuorLog only;
    QCOMPARE(only.LoadFromLines(hostile), int(QuorLog::PowerOnOffBoundary));
    QCOMPARE(only.LoadFromLines(hostile.mid(2)), int(QuorLog::InvalidData));
}

QTEST_GUILESS_MAIN(TestQuorLog)
#include "tst_QuorLog.moc"
