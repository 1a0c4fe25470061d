// Seed corpus for fuzz_cclfile: short generated dives as .ccl files in each
// of the three forms (secured, plain binary, text), narrow and wide.
#include "CorpusFolder.h"
#include "LogFileWriter.h"
#include "LogRecordGenerator.h"

#include <QCoreApplication>
#include <QDir>

namespace {

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
    plan.events = {{10, 3, 7}};
    return plan;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QDir dir;
    if (const int failed = CorpusFolder::Open(argc, argv, dir))
        return failed;

    bool ok = true;
    for (bool wide : {false, true}) {
        const LogFileContent content = LogRecordGenerator::LogFile(Short(wide));
        const QString width = wide ? QStringLiteral("wide") : QStringLiteral("narrow");
        ok = ok && LogFileWriter::WriteSecured(dir.filePath(width + QStringLiteral("_secured")), content, nullptr);
        ok = ok && LogFileWriter::WritePlainBinary(dir.filePath(width + QStringLiteral("_plain")), content, nullptr);
        ok = ok && LogFileWriter::WriteText(dir.filePath(width + QStringLiteral("_text")), content, nullptr);
    }
    return ok ? 0 : 1;
}
