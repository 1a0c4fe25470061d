#pragma once

#include <QByteArray>
#include <QString>

// What a dive-log file says about itself besides its records.
struct QuorLogFileInfo
{
    QString creatorLine;
    QString dateTimeText;
    QString deviceVersionText;   // container header, "FF.07.00.03"; empty for text files
    QByteArray logBookEntry;     // 32 bytes, or empty
    bool binaryOrSecured = false;
    bool wideBlocks = false;     // container header flag (binary and secured only)
};
