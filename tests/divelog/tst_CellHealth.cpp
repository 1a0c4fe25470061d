// The oxygen-cell analysis on generated dives whose cells behave in known
// ways: which cells it names, for what, and when; drift across a diver's
// dives; the ratings of the report; the battery trend.

#include "CellHealthAnalysis.h"
#include "CellHealthReport.h"
#include "LogFileWriter.h"
#include "LogRecordGenerator.h"
#include "QuorLog.h"
#include "QuorLogSession.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

using Kind = CellFinding::Kind;
using Behaviour = DivePlan::CellBehaviour;

// Expected evidence, in the plan's dive time (seconds from the start of the
// descent; the analysis counts from the first sample below 1.2 m).
struct Expected
{
    int controller;
    int cell;
    Kind kind;
    double start;
    double end;
};

// Surface 0.21 bar for a minute, descent on setpoint 0.7, 1.3 from 4:00,
// back to 0.7 at 29:00 for the stop, a minute at the surface after.
DivePlan BasePlan()
{
    DivePlan plan;
    plan.surfaceBefore = 60;
    plan.surfaceAfter = 60;
    plan.profile = {{0, 0}, {120, 30}, {1500, 30}, {1740, 6}, {1920, 6}, {2000, 0}};
    plan.setpoint = 0.7;
    plan.setpointChanges = {{240, 1.3}, {1740, 0.7}};
    return plan;
}

DivePlan With(DivePlan plan, int index, const Behaviour &behaviour)
{
    plan.cells[size_t(index)] = behaviour;
    return plan;
}

DivePlan WithFlush(DivePlan plan)
{
    plan.flushes = {{900, 60, 1.6}};
    return plan;
}

DivePlan WithNoise(DivePlan plan, double noise)
{
    plan.cellNoise = noise;
    return plan;
}

// A slow cell's steps: out of the surface air at the descent, up to 1.3 at
// 4:00, down to 0.7 at 29:00 and back to air after the ascent; each starts at
// the last sample of the old level.
QVector<Expected> SlowSteps(int controller, int cell, double seconds)
{
    QVector<Expected> steps;
    for (double at : {-1.0, 239.0, 1739.0, 2000.0})
        steps.append({controller, cell, Kind::Slow, at, at + seconds});
    return steps;
}

QString WriteDive(const QString &folder, const DivePlan &plan, const GeneratedHandset &handset = GeneratedHandset())
{
    const QString path = QDir(folder).filePath(QStringLiteral("%1_%2.ccl").arg(handset.serialNumber.mid(4)).arg(plan.diveNumber));
    QString error;
    if (!LogFileWriter::WriteSecured(path, LogRecordGenerator::LogFile(plan, handset), &error))
        qWarning() << "could not write" << path << error;
    return path;
}

QString KindName(Kind kind) { return CellHealthReport::KindText(kind); }

} // namespace

Q_DECLARE_METATYPE(QVector<Expected>)
Q_DECLARE_METATYPE(DivePlan)
Q_DECLARE_METATYPE(QVector<DivePlan>)
Q_DECLARE_METATYPE(CellRating)

class TestCellHealth : public QObject
{
    Q_OBJECT

private slots:
    void verdicts_data();
    void verdicts();
    void drift_data();
    void drift();
    void ratings_data();
    void ratings();
    void batteryTrend();
    void noReadingsFromAnAbsentController();

private:
    QTemporaryDir m_dir;
};

void TestCellHealth::verdicts_data()
{
    QTest::addColumn<DivePlan>("plan");
    QTest::addColumn<QVector<Expected>>("expected");

    const DivePlan base = BasePlan();
    QTest::newRow("healthy") << base << QVector<Expected>{};
    QTest::newRow("noise within the limits") << WithNoise(base, 0.03) << QVector<Expected>{};
    QTest::newRow("offset within the limits") << WithNoise(With(base, 1, Behaviour::Offset(0.15)), 0.02) << QVector<Expected>{};
    QTest::newRow("all three moving together in a flush") << WithFlush(base) << QVector<Expected>{};
    {
        DivePlan aged = base;
        aged.diveNumber = 5;
        for (int i = 0; i < 6; ++i)
            aged.cells[size_t(i)] = Behaviour::Drift(-0.03);
        QTest::newRow("all three reading low together") << aged << QVector<Expected>{};
    }
    QTest::newRow("slightly slow, within the limits") << With(base, 0, Behaviour::Slow(3)) << QVector<Expected>{};
    QTest::newRow("current limit above every reading") << WithFlush(With(base, 2, Behaviour::CurrentLimited(1.7)))
                                                       << QVector<Expected>{};

    QTest::newRow("fixed offset disagrees") << With(base, 3, Behaviour::Offset(0.3))
                                            << QVector<Expected>{{2, 1, Kind::Disagrees, -59, 2060}};
    QTest::newRow("fixed offset disagrees among noisy cells")
        << WithNoise(With(base, 4, Behaviour::Offset(0.35)), 0.02) << QVector<Expected>{{2, 2, Kind::Disagrees, -59, 2060}};
    QTest::newRow("current-limited at a setpoint change") << With(base, 2, Behaviour::CurrentLimited(1.0))
                                                          << QVector<Expected>{{1, 3, Kind::CurrentLimited, 240, 1739}};
    QTest::newRow("current-limited only in a flush") << WithFlush(With(base, 0, Behaviour::CurrentLimited(1.45)))
                                                     << QVector<Expected>{{1, 1, Kind::CurrentLimited, 900, 959}};
    QTest::newRow("current-limited among noisy cells") << WithNoise(With(base, 5, Behaviour::CurrentLimited(1.05)), 0.02)
                                                       << QVector<Expected>{{2, 3, Kind::CurrentLimited, 240, 1739}};
    QTest::newRow("slow") << With(base, 1, Behaviour::Slow(10)) << SlowSteps(1, 2, 24);
    QTest::newRow("slow among noisy cells") << WithNoise(With(base, 5, Behaviour::Slow(12)), 0.02) << SlowSteps(2, 3, 28);
    {
        DivePlan two = With(With(base, 0, Behaviour::Slow(10)), 5, Behaviour::CurrentLimited(1.0));
        QVector<Expected> expected = SlowSteps(1, 1, 24);
        expected.append({2, 3, Kind::CurrentLimited, 240, 1739});
        QTest::newRow("one slow cell and one limited cell") << two << expected;
    }
}

void TestCellHealth::verdicts()
{
    QFETCH(DivePlan, plan);
    QFETCH(QVector<Expected>, expected);

    QuorLog log;
    QCOMPARE(log.Load(WriteDive(m_dir.path(), plan)), int(QuorLog::Success));
    const DiveCellHealth health = CellHealthAnalysis::AnalyseDive(log);
    // The analysis counts from the dive start the parser found.
    const double shift = log.IdentifiedSession()->DiveStartTime() - plan.surfaceBefore;

    QVector<Expected> found;
    for (const CellVerdict &verdict : health.cells) {
        QVERIFY(verdict.hasReadings);
        for (const CellFinding &f : verdict.findings)
            found.append({verdict.controller, verdict.cell, f.kind, f.start + shift, f.end + shift});
    }
    const auto describe = [](const QVector<Expected> &list) {
        QStringList lines;
        for (const Expected &e : list)
            lines << QStringLiteral("C%1 cell %2 %3 %4..%5").arg(e.controller).arg(e.cell).arg(KindName(e.kind)).arg(e.start).arg(e.end);
        return lines.join(QStringLiteral("; "));
    };
    QVERIFY2(found.size() == expected.size(), qPrintable(QStringLiteral("found: %1\nexpected: %2").arg(describe(found), describe(expected))));
    for (const Expected &e : expected) {
        const bool matched = std::any_of(found.cbegin(), found.cend(), [&e](const Expected &f) {
            return f.controller == e.controller && f.cell == e.cell && f.kind == e.kind && std::abs(f.start - e.start) <= 2.0
                && std::abs(f.end - e.end) <= 5.0;
        });
        QVERIFY2(matched, qPrintable(QStringLiteral("missing C%1 cell %2 %3 %4..%5; found: %6")
                                         .arg(e.controller).arg(e.cell).arg(KindName(e.kind)).arg(e.start).arg(e.end)
                                         .arg(describe(found))));
    }
    // Every named cell carries its readings as evidence.
    for (const CellVerdict &verdict : health.cells)
        for (const CellFinding &f : verdict.findings) {
            if (f.kind == Kind::CurrentLimited) {
                QVERIFY(f.cellValue < f.peerValue - 0.1);
            } else if (f.kind == Kind::Disagrees) {
                QVERIFY(std::abs(f.cellValue - f.peerValue) > 0.2);
            } else if (f.kind == Kind::Slow) {
                QVERIFY(f.cellSeconds > 2 * f.peerSeconds);
                QVERIFY(std::abs(f.peerValue - f.cellValue) >= 0.3);
            }
        }
}

void TestCellHealth::drift_data()
{
    QTest::addColumn<QVector<DivePlan>>("dives");
    QTest::addColumn<QVector<int>>("handsetOfDive"); // which of two handsets logged each dive
    // cells (controller x 10 + cell) expected to drift, and the sign of the drift
    QTest::addColumn<QVector<int>>("drifting");
    QTest::addColumn<int>("sign");

    const auto series = [](int count, int index, double perDive, double noise, int alsoIndex = -1) {
        QVector<DivePlan> dives;
        for (int n = 1; n <= count; ++n) {
            DivePlan plan = BasePlan();
            plan.diveNumber = n;
            plan.powerOn = plan.powerOn.addDays(n);
            plan.cellNoise = noise;
            if (index >= 0)
                plan.cells[size_t(index)] = Behaviour::Drift(perDive);
            if (alsoIndex >= 0)
                plan.cells[size_t(alsoIndex)] = Behaviour::Drift(perDive);
            dives.append(plan);
        }
        return dives;
    };
    const QVector<int> one(6, 0);
    QTest::newRow("one cell losing sensitivity") << series(6, 1, -0.02, 0.02) << one << QVector<int>{12} << -1;
    QTest::newRow("controller 2 cell gaining") << series(6, 3, 0.02, 0.0) << one << QVector<int>{21} << 1;
    QTest::newRow("healthy cells with noise") << series(6, -1, 0.0, 0.03) << one << QVector<int>{} << 0;
    {
        QVector<DivePlan> together = series(6, 0, -0.03, 0.02);
        for (DivePlan &plan : together)
            for (int i = 0; i < 3; ++i)
                plan.cells[size_t(i)] = Behaviour::Drift(-0.03);
        QTest::newRow("all three ageing together") << together << one << QVector<int>{} << 0;
    }
    QTest::newRow("too few dives to tell") << series(4, 1, -0.03, 0.0) << QVector<int>(4, 0) << QVector<int>{} << 0;
    QTest::newRow("dives of two handsets are not mixed") << series(6, 1, -0.03, 0.0) << QVector<int>{0, 1, 0, 1, 0, 1}
                                                         << QVector<int>{} << 0;
}

void TestCellHealth::drift()
{
    QFETCH(QVector<DivePlan>, dives);
    QFETCH(QVector<int>, handsetOfDive);
    QFETCH(QVector<int>, drifting);
    QFETCH(int, sign);

    QTemporaryDir dir;
    QVector<DiveCellHealth> health;
    for (int i = 0; i < dives.size(); ++i) {
        GeneratedHandset handset;
        handset.serialNumber = handsetOfDive[i] ? QStringLiteral("SN: 77B0001") : QStringLiteral("SN: 12A3456");
        QuorLog log;
        QCOMPARE(log.Load(WriteDive(dir.path(), dives[i], handset)), int(QuorLog::Success));
        health.append(CellHealthAnalysis::AnalyseDive(log));
    }
    const CellHealthReport report(health);
    QCOMPARE(report.Handsets().size(), handsetOfDive.contains(1) ? 2 : 1);
    QVector<int> found;
    for (const CellHealthReport::Handset &handset : report.Handsets())
        for (const CellHealthReport::CellSummary &cell : handset.cells)
            for (const CellHealthReport::Reason &reason : cell.reasons) {
                QCOMPARE(reason.finding.kind, Kind::Drift);
                QCOMPARE(reason.dive, -1);
                found.append(cell.controller * 10 + cell.cell);
                QCOMPARE(cell.rating, CellRating::Watch);
                const CellFinding &f = reason.finding;
                QCOMPARE(f.dives, dives.size());
                QCOMPARE(f.firstDiveNumber, 1);
                QCOMPARE(f.lastDiveNumber, dives.size());
                QCOMPARE(f.changePerDive > 0 ? 1 : -1, sign);
                // The generated cell reads (1 + rate x (n - 1)) of the truth.
                const double perDive = 0.02 * sign;
                QVERIFY2(std::abs(f.changePerDive - perDive) < 0.006, qPrintable(QString::number(f.changePerDive)));
                QVERIFY(std::abs(f.firstRatio - 1.0) < 0.02);
                QVERIFY(std::abs(f.lastRatio - (1.0 + perDive * (dives.size() - 1))) < 0.02);
            }
    QCOMPARE(found, drifting);
}

void TestCellHealth::ratings_data()
{
    QTest::addColumn<QVector<DivePlan>>("dives");
    QTest::addColumn<int>("cellIndex"); // 0-5
    QTest::addColumn<CellRating>("rating");
    QTest::addColumn<QString>("reportLine");

    const auto dives = [](const QVector<Behaviour> &behaviours) {
        QVector<DivePlan> list;
        for (int n = 0; n < behaviours.size(); ++n) {
            DivePlan plan = With(BasePlan(), 2, behaviours[n]);
            plan.diveNumber = n + 1;
            plan.powerOn = plan.powerOn.addDays(n);
            list.append(plan);
        }
        return list;
    };
    const Behaviour healthy = Behaviour::Healthy();
    const Behaviour limited = Behaviour::CurrentLimited(1.0);
    QTest::newRow("healthy") << dives({healthy, healthy}) << 2 << CellRating::Good << QStringLiteral("Cell 3: good");
    QTest::newRow("current-limited on the newest dive") << dives({healthy, limited}) << 2 << CellRating::Replace
                                                        << QStringLiteral("Cell 3: replace");
    QTest::newRow("current-limited on an earlier dive only") << dives({limited, healthy}) << 2 << CellRating::Watch
                                                             << QStringLiteral("Cell 3: watch");
    QTest::newRow("slow on the newest dive") << dives({healthy, Behaviour::Slow(10)}) << 2 << CellRating::Watch
                                             << QStringLiteral("Cell 3: watch");
    QTest::newRow("the other cells stay good") << dives({healthy, limited}) << 1 << CellRating::Good
                                               << QStringLiteral("Cell 2: good");
}

void TestCellHealth::ratings()
{
    QFETCH(QVector<DivePlan>, dives);
    QFETCH(int, cellIndex);
    QFETCH(CellRating, rating);
    QFETCH(QString, reportLine);

    QTemporaryDir dir;
    QVector<DiveCellHealth> health;
    for (const DivePlan &plan : dives) {
        QuorLog log;
        QCOMPARE(log.Load(WriteDive(dir.path(), plan)), int(QuorLog::Success));
        health.append(CellHealthAnalysis::AnalyseDive(log));
    }
    // Given newest first, the report still orders the dives by date.
    std::reverse(health.begin(), health.end());
    const CellHealthReport report(health);
    QCOMPARE(report.Handsets().size(), 1);
    const CellHealthReport::CellSummary &cell = report.Handsets().first().cells[size_t(cellIndex)];
    QCOMPARE(cell.rating, rating);
    const QString text = report.Text();
    QVERIFY2(text.contains(QStringLiteral("Handset 12A3456")), qPrintable(text));
    QVERIFY2(text.contains(reportLine), qPrintable(text));
    for (const CellHealthReport::Reason &reason : cell.reasons) {
        const QString line = CellHealthReport::DiveText(report.Dives()[reason.dive]) + QStringLiteral(": ")
            + CellHealthReport::FindingText(reason.finding);
        QVERIFY2(text.contains(line), qPrintable(text));
        QCOMPARE(reason.earlierDive, reason.dive != report.Handsets().first().dives.last());
    }
}

void TestCellHealth::batteryTrend()
{
    QTemporaryDir dir;
    QVector<DiveCellHealth> health;
    const double starts[3] = {4.10, 4.02, 3.95};
    for (int n = 0; n < 3; ++n) {
        DivePlan plan = BasePlan();
        plan.diveNumber = n + 1;
        plan.powerOn = plan.powerOn.addDays(n);
        plan.battery.logged = true;
        plan.battery.startVolts = starts[n];
        plan.battery.endVolts = starts[n] - 0.2;
        QuorLog log;
        QCOMPARE(log.Load(WriteDive(dir.path(), plan)), int(QuorLog::Success));
        const QuorLogSession *session = log.IdentifiedSession();
        QVERIFY(!session->Batteries().isEmpty());
        health.append(CellHealthAnalysis::AnalyseDive(log));
        const DiveBattery &b = health.last().battery;
        QVERIFY(b.logged);
        // The voltage falls evenly over the session: at the dive's start and
        // end it lies within one record interval of the plan's line.
        const double length = plan.SessionLength();
        const auto volts = [&](double t) { return starts[n] - 0.2 * t / length; };
        const double diveStart = session->DiveStartTime(), diveEnd = session->DiveEndTime();
        QVERIFY2(b.startVolts <= volts(diveStart) + 0.001 && b.startVolts >= volts(diveStart + 60) - 0.001, qPrintable(QString::number(b.startVolts)));
        QVERIFY2(b.endVolts >= volts(diveEnd) - 0.001 && b.endVolts <= volts(diveEnd - 60) + 0.001, qPrintable(QString::number(b.endVolts)));
        QVERIFY(b.startVolts > b.endVolts);
    }
    // A dive logged without battery records says so.
    QuorLog plain;
    QCOMPARE(plain.Load(WriteDive(dir.path(), [] { DivePlan p = BasePlan(); p.diveNumber = 9; p.powerOn = p.powerOn.addDays(9); return p; }())),
             int(QuorLog::Success));
    health.append(CellHealthAnalysis::AnalyseDive(plain));
    QVERIFY(!health.last().battery.logged);

    const QString text = CellHealthReport(health).Text();
    int at = text.indexOf(QStringLiteral("Battery"));
    QVERIFY(at >= 0);
    for (int n = 0; n < 3; ++n) {
        const QString line = QStringLiteral("%1 V, %2 V").arg(health[n].battery.startVolts, 0, 'f', 2).arg(health[n].battery.endVolts, 0, 'f', 2);
        const int next = text.indexOf(line, at);
        QVERIFY2(next > at, qPrintable(text));
        at = next;
    }
    QVERIFY2(text.indexOf(QStringLiteral("no battery records"), at) > at, qPrintable(text));
}

void TestCellHealth::noReadingsFromAnAbsentController()
{
    // A controller that logs nothing is reported as such, never as good.
    QVector<double> times;
    QVector<std::array<double, 3>> zeros;
    for (int i = 0; i < 200; ++i) {
        times.append(i);
        zeros.append({0.0, 0.0, 0.0});
    }
    const CellVerdict verdict = CellHealthAnalysis::AnalyseCell(times, zeros, 0);
    QVERIFY(!verdict.hasReadings);
    QVERIFY(verdict.findings.isEmpty());
    DiveCellHealth dive;
    dive.handsetSerial = QStringLiteral("12A3456");
    dive.diveNumber = 1;
    for (int controller = 1; controller <= 2; ++controller)
        for (int c = 1; c <= 3; ++c)
            dive.Cell(controller, c).hasReadings = controller == 1;
    const QString text = CellHealthReport({dive}).Text();
    QVERIFY2(text.contains(QStringLiteral("Controller 2\n    Cell 1: no readings")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Controller 1\n    Cell 1: good")), qPrintable(text));
}

QTEST_GUILESS_MAIN(TestCellHealth)
#include "tst_CellHealth.moc"
