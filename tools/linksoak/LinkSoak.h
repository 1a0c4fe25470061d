#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class QTextStream;

// Drives the device link and the worker's identification against a
// simulated rebreather with random faults and a paced line, and checks every
// result against the simulator's memory. What matters is the count of
// results that were wrong but reported as success: each one is data a user
// would have trusted.
class LinkSoak
{
public:
    struct Options
    {
        int operations = 10000;   // link operations (reads, writes, ...)
        int connections = 20;     // identifications through the worker
        double faultRate = 0.05;  // per reply, spread over every fault kind
        quint32 seed = 1;
        int lateReplyMs = 700;    // how late a delayed reply comes (past the 500 ms timeout)
        int deviceLatencyMs = 5;  // the unit's time over each request
    };

    // One line of the report.
    struct Count
    {
        int operations = 0;
        int failed = 0; // reported as failed
        int wrong = 0;  // reported as success, but wrong
    };

    struct Report
    {
        QMap<QString, Count> byKind;
        QMap<QString, int> faultsInjected; // by fault name
        int frames = 0;
        QStringList wrongResults; // one line per wrong result
        Count Total() const;
    };

    explicit LinkSoak(const Options &options);

    // Each returns false when the simulator or the port could not be set up
    // (error set); the report holds what ran.
    bool RunLink(Report &report, QTextStream *progress = nullptr);
    bool RunIdentification(Report &report, QTextStream *progress = nullptr);
    QString Error() const { return m_error; }

    static void Print(const Options &options, const Report &report, QTextStream &out);

private:
    Options m_options;
    QString m_error;
};
