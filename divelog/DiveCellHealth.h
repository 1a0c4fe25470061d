#pragma once

#include "CellFinding.h"

#include <QDateTime>
#include <QString>
#include <QVector>
#include <array>
#include <limits>

// How much a cell is to be trusted. Ordered: a higher value is worse.
enum class CellRating { Good = 0, Watch = 1, Replace = 2 };

// One cell of one controller in one dive.
struct CellVerdict
{
    int controller = 1; // 1 or 2
    int cell = 1;       // 1..3
    // False when the controller logged no readings in this dive.
    bool hasReadings = false;
    // Median reading / mean of the other two (see CellHealthThresholds);
    // NaN when the dive gives no such samples.
    double ratio = std::numeric_limits<double>::quiet_NaN();
    QVector<CellFinding> findings;

    // Disagrees and current-limited mean replace; slow and drift mean watch.
    CellRating Rating() const;
    static CellRating RatingOf(CellFinding::Kind kind);
};

// The battery voltage near the start and the end of a dive, from the battery
// records.
struct DiveBattery
{
    bool logged = false;
    double startVolts = 0.0;
    double endVolts = 0.0;
};

// The cell health of one dive: both controllers' three cells.
struct DiveCellHealth
{
    QString filePath;
    QString handsetSerial;
    int diveNumber = 0;
    QDateTime diveStart;
    // Session time of the dive start: dive time = session time - this.
    double diveStartTime = 0.0;
    // 0-2 controller 1, 3-5 controller 2.
    std::array<CellVerdict, 6> cells;
    DiveBattery battery;

    // Every verdict knows its controller and cell from the start.
    DiveCellHealth()
    {
        for (size_t i = 0; i < cells.size(); ++i) {
            cells[i].controller = int(i / 3) + 1;
            cells[i].cell = int(i % 3) + 1;
        }
    }

    const CellVerdict &Cell(int controller, int cell) const { return cells[size_t((controller - 1) * 3 + cell - 1)]; }
    CellVerdict &Cell(int controller, int cell) { return cells[size_t((controller - 1) * 3 + cell - 1)]; }
};
