#pragma once

#include "DivePlan.h"
#include "GeneratedHandset.h"
#include "LogFileWriter.h"

#include <QByteArray>
#include <QStringList>
#include <QVector>

// One generated session and where its dive lies in it.
struct GeneratedSession
{
    QVector<QByteArray> records;
    int diveStart = -1;  // the dive header, else the first sample in the dive; -1 without a dive
    int diveEnd = -1;    // the end-of-dive record, else the last sample in the dive
    int maxDepthCm = 0;  // the greatest depth the samples reached
};

// Builds the handset's log records from dive plans, in the layouts the
// record parser reads (LogRecordLayout.h): power on, session start, gas
// definitions, dive header, samples with dive status, events, restarts,
// power off and the post-dive gas records.
class LogRecordGenerator
{
public:
    using HandsetInfo = GeneratedHandset;

    // All records of one session, each 16 (narrow) or 32 (wide) bytes.
    static QVector<QByteArray> Records(const DivePlan &plan);
    // The same records with the positions of the dive among them.
    static GeneratedSession Session(const DivePlan &plan);
    // The log memory of several sessions back to back. Narrow sessions are
    // padded with erased (0xFF) records so that each power-on record starts
    // a 64-byte block, as the handset stores them.
    static QByteArray DiveData(const QVector<DivePlan> &sessions);
    // One record as a text-form line: upper-case hex and the checksum pair.
    static QString TextLine(const QByteArray &record);
    static QStringList TextLines(const QByteArray &diveData, bool wide);

    static QByteArray InfoBlock(const HandsetInfo &info, bool wide);
    // Four device-version bytes as the container header keeps them.
    static QByteArray DeviceVersionBytes(bool wide);
    // A complete log file: dive data, the handset's information block and
    // its device version.
    static LogFileContent LogFile(const QVector<DivePlan> &sessions, const HandsetInfo &info = HandsetInfo());
    static LogFileContent LogFile(const DivePlan &plan, const HandsetInfo &info = HandsetInfo());

    // Memory the information block is stored at.
    static constexpr quint8 InfoBlockMemory = 2;
    static constexpr quint32 InfoBlockAddress = 0x0100;
};
