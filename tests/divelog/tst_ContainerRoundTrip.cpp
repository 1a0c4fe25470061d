// Generated dives written in the three forms of a .ccl file read back alike:
// the same text-form lines, the records the generator made, and the same
// samples once the log parser has read them.
#include "CclFileLoader.h"
#include "LogFileWriter.h"
#include "LogRecordGenerator.h"
#include "QuorLog.h"
#include "QuorLogSession.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

DivePlan Plan(bool wide)
{
    DivePlan plan;
    plan.wide = wide;
    plan.profile = {{0, 0}, {120, 24}, {900, 24}, {1200, 6}, {1380, 6}, {1440, 0}};
    plan.gases = {{21, 0}, {50, 0}};
    plan.gasSwitches = {{1200, 1}};
    return plan;
}

} // namespace

class TestContainerRoundTrip : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void threeFormsReadBackAlike_data()
    {
        QTest::addColumn<bool>("wide");
        QTest::newRow("narrow") << false;
        QTest::newRow("wide") << true;
    }
    void threeFormsReadBackAlike()
    {
        QFETCH(bool, wide);
        const DivePlan plan = Plan(wide);
        const LogFileContent content = LogRecordGenerator::LogFile(plan);
        QVERIFY(content.hasDiveData);
        QVERIFY(content.diveData.size() > 1000);

        const QString prefix = m_dir.filePath(wide ? QStringLiteral("wide") : QStringLiteral("narrow"));
        const QStringList paths = {prefix + QStringLiteral("_text.ccl"), prefix + QStringLiteral("_binary.ccl"),
                                   prefix + QStringLiteral("_secured.ccl")};
        QString error;
        QVERIFY2(LogFileWriter::WriteText(paths[0], content, &error), qPrintable(error));
        QVERIFY2(LogFileWriter::WritePlainBinary(paths[1], content, &error), qPrintable(error));
        QVERIFY2(LogFileWriter::WriteSecured(paths[2], content, &error), qPrintable(error));

        // The generator's own rendering of its records must appear, in order,
        // right after the three header lines.
        const QStringList records = LogRecordGenerator::TextLines(content.diveData, wide);
        QStringList reference;
        for (const QString &path : paths) {
            CclFileLoader loader;
            QCOMPARE(loader.Load(path), CclFileLoader::Ok);
            if (reference.isEmpty()) {
                reference = loader.Lines();
                QCOMPARE(reference.mid(3, records.size()), records);
            } else {
                QCOMPARE(loader.Lines(), reference);
            }
        }

        // And the parser sees the same dive in each.
        QVector<QVector<QPair<double, double>>> samples;
        for (const QString &path : paths) {
            QuorLog log;
            QCOMPARE(log.Load(path), 0);
            QuorLogSession *session = log.IdentifiedSession();
            QVERIFY(session);
            QVector<QPair<double, double>> timeAndDepth;
            for (const QuorLogSample &sample : session->Samples())
                timeAndDepth.append({sample.time, sample.Depth()});
            QVERIFY(!timeAndDepth.isEmpty());
            samples.append(timeAndDepth);
        }
        QCOMPARE(samples[1], samples[0]);
        QCOMPARE(samples[2], samples[0]);
        double deepest = 0;
        for (const auto &s : samples[0])
            deepest = std::max(deepest, s.second);
        QVERIFY2(std::abs(deepest - 24.0) < 0.5, qPrintable(QString::number(deepest)));
    }
};

QTEST_GUILESS_MAIN(TestContainerRoundTrip)
#include "tst_ContainerRoundTrip.moc"
