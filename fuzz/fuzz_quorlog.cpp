// QuorLog from text-form lines: any bytes, split at newlines, must load or
// fail with a result code, and a loaded dive must export as UDDF.
//
// The first byte says how the lines were obtained (bits 0-3) and whether a
// loaded dive is exported (bit 4). Exporting costs several times what
// loading does, so only the inputs that ask for it pay for it: the fuzzer
// keeps those that reach new code in the export, and the loads run at the
// speed of the parser.

#include "QuorLog.h"
#include "UddfExport.h"

#include <QByteArray>
#include <QStringList>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>

namespace {
void Silent(QtMsgType, const QMessageLogContext &, const QString &) {}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool quiet = (qInstallMessageHandler(Silent), true);
    Q_UNUSED(quiet)
    if (size == 0)
        return 0;
    // First byte: how the lines are said to have been obtained.
    const quint8 mode = data[0];
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), int(size - 1));
    const QStringList lines = QString::fromLatin1(bytes).split(QLatin1Char('\n'));
    QuorLog::FileInfo info;
    info.binaryOrSecured = mode & 0x01;
    info.wideBlocks = mode & 0x02;
    info.deviceVersionText = (mode & 0x04) ? QStringLiteral("00.07.01.15") : QString();
    if ((mode & 0x08) && bytes.size() >= 32)
        info.logBookEntry = bytes.left(32);
    QuorLog log;
    const int result = log.LoadFromLines(lines, info);
    if ((mode & 0x10) && result == QuorLog::Success) {
        const QByteArray document = UddfExport().Document(log);
        if (document.isEmpty())
            __builtin_trap(); // a valid dive always exports
    }
    return 0;
}
