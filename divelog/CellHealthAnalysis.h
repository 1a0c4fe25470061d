#pragma once

#include "DiveCellHealth.h"

#include <QVector>

class QuorLog;
class QuorLogSession;
struct QuorLogSample;

// Judges the oxygen cells of one dive from its samples: for each controller
// and each of its three cells, whether it disagrees with the other two, is
// current-limited or is slow (CellHealthThresholds holds every limit). Drift
// across dives is judged by CellHealthReport from the ratios found here.
class CellHealthAnalysis
{
public:
    // The identified dive of a loaded log; an empty result (no readings)
    // when the log holds no valid dive.
    static DiveCellHealth AnalyseDive(const QuorLog &log);
    static DiveCellHealth AnalyseSession(const QuorLogSession &session);

    // One cell against the other two. times: dive time of each sample;
    // cells: the controller's three readings per sample. Exposed for tests.
    static CellVerdict AnalyseCell(const QVector<double> &times, const QVector<std::array<double, 3>> &cells, int cell);

    // Start and end voltages from the battery records of a session, the
    // records nearest the dive's start and end.
    static DiveBattery BatteryOf(const QuorLogSession &session);

    // The handset's serial number as the list and the report show it ("SN: "
    // dropped).
    static QString HandsetSerial(const QuorLog &log);
};
