// Seed corpus for fuzz_logreader: status-log files written the way the
// program writes them, whole and damaged in the ways real files are.
#include "CorpusFolder.h"
#include "StatusLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QTime>

namespace {

QByteArray Record(int i, QtMsgType type, const QString &text, quint16 key)
{
    const QString line = StatusLog::MessageLine(type, text, QTime(23, 59, 58).addMSecs(i * 7));
    return StatusLog::Record(line.toUtf8(), key);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QDir dir;
    if (const int failed = CorpusFolder::Open(argc, argv, dir))
        return failed;

    QByteArray day;
    const QtMsgType types[] = {QtInfoMsg, QtDebugMsg, QtWarningMsg, QtCriticalMsg, QtFatalMsg};
    const quint16 keys[] = {0, 1, 2047, 2048, 40000, 65535};
    int i = 0;
    for (const char *text : {"Starting Windows Tessaro Version 1.2.6.0", "Time Zone +05:30 UTC",
                             "RixComms::Read - deviceid 0xBC - memory 0x01", "",
                             "Worker::CloseComPort() - Calling ClearRbData()",
                             "Gr\xc3\xbc\xc3\x9f" "e aus M\xc3\xbc" "nchen"}) {
        day += Record(i, types[i % 5], QString::fromUtf8(text), keys[i % 6]);
        ++i;
    }

    bool ok = CorpusFolder::Write(dir, QStringLiteral("day"), day);
    ok = ok && CorpusFolder::Write(dir, QStringLiteral("cut_short"), day.left(day.size() - 9));
    ok = ok && CorpusFolder::Write(dir, QStringLiteral("cut_in_header"), day + Record(9, QtInfoMsg, QStringLiteral("x"), 5).left(4));
    QByteArray stray = day;
    stray.insert(40, QByteArray("\x87\x00\x01junk", 7));
    ok = ok && CorpusFolder::Write(dir, QStringLiteral("stray_bytes"), stray);
    QByteArray damagedLength = day;
    damagedLength[6] = char(damagedLength.at(6) ^ 0x20);
    ok = ok && CorpusFolder::Write(dir, QStringLiteral("damaged_length"), damagedLength);
    // No seed with a text over 65535 bytes (a wrapped length): the fuzzer
    // takes its input size from the largest seed, and inputs that large run
    // a hundred times slower. tst_LogReader covers wrapped lengths.
    return ok ? 0 : 1;
}
