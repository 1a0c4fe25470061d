#pragma once

#include "LogFileSaver.h"

#include <QCoreApplication>

class LogBookV2;
class MemoryList;

// Saves one .ccl file per selected Colour V2 dive: the power-on data before
// it (from its power-on record on), the dive, and the data after it (up to
// its power-off or end-of-dive record), with the log book entry in the
// header and the fixed memories after the dive data.
class V2LogSaver
{
    Q_DECLARE_TR_FUNCTIONS(V2LogSaver)

public:
    static constexpr int RecordSize = 32;

    // Offset of the first power-on record, or 0 when there is none.
    static int PreDiveStart(const QByteArray &pre);
    // Length up to and including the last power-off or end-of-dive record,
    // or the whole length when there is none.
    static int PostDiveLength(const QByteArray &post);

    // Returns the number of files saved.
    static int Save(LogFileSaver &saver, const LogFileSaver::Download &download,
                    const MemoryList &list, const LogBookV2 &book);
};
