// Seed corpus for fuzz_quorlog: text-form lines of generated dives, one file
// each, behind the mode byte the fuzzer reads first.

#include "LogFileWriter.h"
#include "LogRecordGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {
bool Write(const QString &dir, const QString &name, quint8 mode, const QStringList &lines)
{
    QFile file(QDir(dir).filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray bytes(1, char(mode));
    bytes += lines.join(QLatin1Char('\n')).toLatin1();
    return file.write(bytes) == bytes.size();
}

DivePlan Short(bool wide)
{
    DivePlan plan;
    plan.wide = wide;
    plan.sampleInterval = wide ? 2 : 4;
    plan.surfaceBefore = 8;
    plan.surfaceAfter = 8;
    plan.profile = {{0, 0}, {20, 12}, {60, 12}, {80, 0}};
    plan.gases = {{21, 0}, {18, 45}};
    plan.gasSwitches = {{30, 1}};
    plan.alarms = {{40, (1u << 7) | (1u << 17)}, {44, 0}};
    plan.events = {{10, 3, 7}};
    plan.diveInfoTexts = {{0x80, QStringLiteral("Cove")}, {0x8D, QStringLiteral("Notes")},
                          {0x85, QString::fromLatin1("50\xB0" "2'3''N,5\xB0" "6'7''W")}};
    return plan;
}
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 1;
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    bool ok = true;
    for (bool wide : {true, false}) {
        DivePlan plan = Short(wide);
        const QString w = wide ? QStringLiteral("wide") : QStringLiteral("narrow");
        ok &= Write(dir, w + QStringLiteral("_text"), 0, LogFileWriter::TextLines(LogRecordGenerator::LogFile(plan)));
        ok &= Write(dir, w + QStringLiteral("_container"), wide ? 0x03 : 0x01, LogFileWriter::TextLines(LogRecordGenerator::LogFile(plan)));
        DivePlan second = plan;
        second.powerOn = plan.powerOn.addSecs(3600);
        second.restarts = {{50, true}};
        second.diveNumber = 2;
        ok &= Write(dir, w + QStringLiteral("_two_sessions"), wide ? 0x02 : 0,
                    LogRecordGenerator::TextLines(LogRecordGenerator::DiveData({plan, second}), wide));
    }
    return ok ? 0 : 1;
}
