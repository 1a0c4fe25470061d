#pragma once

#include <QDateTime>

// One piece of evidence against an oxygen cell: what was seen, when (dive
// time, seconds from the dive start; negative before it) and the readings
// that show it.
struct CellFinding
{
    enum class Kind {
        Disagrees,      // away from the other two while they agree
        CurrentLimited, // stops at a ceiling while the other two rise above it
        Slow,           // follows a step markedly later than the other two
        Drift,          // its ratio to the other two moves steadily over dives
    };

    Kind kind = Kind::Disagrees;
    // The region on the profile; equal for a drift, which has none.
    double start = 0.0;
    double end = 0.0;
    // Disagrees: the cell's and the other two's mean readings over the
    // region. CurrentLimited: the ceiling and the other two's mean while the
    // cell was held at it. Slow: the other two's levels before and after the
    // step (cellValue from, peerValue to).
    double cellValue = 0.0;
    double peerValue = 0.0;
    // Slow: seconds the cell and (on average) the other two took to cover
    // nine tenths of the step.
    double cellSeconds = 0.0;
    double peerSeconds = 0.0;
    // Drift: the dives it was seen over, the ratios to the other two of the
    // first and the last of them, and the fitted change per dive.
    int dives = 0;
    int firstDiveNumber = 0;
    int lastDiveNumber = 0;
    QDateTime firstDiveStart;
    QDateTime lastDiveStart;
    double firstRatio = 0.0;
    double lastRatio = 0.0;
    double changePerDive = 0.0;
};
