// Seed corpus for fuzz_quorlog: text-form lines of generated dives, one file
// each, behind the mode byte the fuzzer reads first. The dives are short:
// every kind of record is there a few times, and a short input runs fast.

#include "CorpusFolder.h"
#include "LogFileWriter.h"
#include "LogRecordGenerator.h"

#include <QCoreApplication>
#include <QDir>

namespace {
bool Write(const QDir &dir, const QString &name, quint8 mode, const QStringList &lines)
{
    return CorpusFolder::Write(dir, name, QByteArray(1, char(mode)) + lines.join(QLatin1Char('\n')).toLatin1());
}

DivePlan Short(bool wide)
{
    DivePlan plan;
    plan.wide = wide;
    plan.sampleInterval = 4;
    plan.surfaceBefore = 4;
    plan.surfaceAfter = 4;
    plan.profile = {{0, 0}, {8, 12}, {24, 12}, {32, 0}};
    plan.gases = {{21, 0}, {18, 45}};
    plan.gasSwitches = {{12, 1}};
    plan.alarms = {{16, (1u << 7) | (1u << 17)}, {20, 0}};
    plan.events = {{6, 3, 7}};
    plan.diveInfoTexts = {{0x80, QStringLiteral("Cove")}, {0x8D, QStringLiteral("Notes")},
                          {0x85, QString::fromLatin1("50\xB0" "2'3''N,5\xB0" "6'7''W")}};
    return plan;
}
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QDir dir;
    if (const int failed = CorpusFolder::Open(argc, argv, dir))
        return failed;
    bool ok = true;
    // Mode bit 4 asks for the export: set on the wide container form only,
    // so that most executions run at the parser's speed (an export costs
    // several loads); the inputs derived from it keep exporting.
    for (bool wide : {true, false}) {
        DivePlan plan = Short(wide);
        const QString w = wide ? QStringLiteral("wide") : QStringLiteral("narrow");
        ok &= Write(dir, w + QStringLiteral("_text"), 0, LogFileWriter::TextLines(LogRecordGenerator::LogFile(plan)));
        ok &= Write(dir, w + QStringLiteral("_container"), wide ? 0x13 : 0x01, LogFileWriter::TextLines(LogRecordGenerator::LogFile(plan)));
        DivePlan second = plan;
        second.powerOn = plan.powerOn.addSecs(3600);
        second.restarts = {{20, true}};
        second.diveNumber = 2;
        ok &= Write(dir, w + QStringLiteral("_two_sessions"), wide ? 0x02 : 0,
                    LogRecordGenerator::TextLines(LogRecordGenerator::DiveData({plan, second}), wide));
    }
    return ok ? 0 : 1;
}
