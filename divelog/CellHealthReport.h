#pragma once

#include "DiveCellHealth.h"

#include <QCoreApplication>
#include <QString>
#include <QVector>
#include <array>

// The oxygen-cell report over many dives: per handset, each cell of both
// controllers rated good, watch or replace with its reasons, drift of a
// cell's ratio to the other two across the dives, and the battery voltage
// at the start and the end of each dive. The window and divelogtool show the
// same text.
class CellHealthReport
{
    Q_DECLARE_TR_FUNCTIONS(CellHealthReport)
public:
    struct Reason
    {
        CellFinding finding;
        int dive = -1;            // index into Dives(); -1 for a drift
        bool earlierDive = false; // seen on a dive before the handset's newest
    };
    struct CellSummary
    {
        int controller = 1;
        int cell = 1;
        bool hasReadings = false;
        CellRating rating = CellRating::Good;
        QVector<Reason> reasons;
    };
    struct Handset
    {
        QString serial;
        QVector<int> dives; // indices into Dives(), oldest first
        std::array<CellSummary, 6> cells;
    };

    explicit CellHealthReport(QVector<DiveCellHealth> dives);

    // Oldest first; dives without a valid start date last.
    const QVector<DiveCellHealth> &Dives() const { return m_dives; }
    // Ordered by serial number.
    const QVector<Handset> &Handsets() const { return m_handsets; }

    QString Text() const;

    // Drift of each cell of one controller over dives of one handset,
    // oldest first; index 0-2 for cells 1-3, empty where there is none.
    static std::array<QVector<CellFinding>, 3> Drift(const QVector<const DiveCellHealth *> &dives, int controller);

    static QString RatingText(CellRating rating);
    static QString KindText(CellFinding::Kind kind);
    // One line of evidence, without the dive it was seen on.
    static QString FindingText(const CellFinding &finding);
    // Dive time as "m:ss" ("-m:ss" before the dive start).
    static QString DiveTimeText(double seconds);
    // "Dive 12, 2026-06-14 09:30".
    static QString DiveText(const DiveCellHealth &dive);
    static QString DateTimeText(const QDateTime &dateTime);

private:
    QVector<DiveCellHealth> m_dives;
    QVector<Handset> m_handsets;
};
