#pragma once

// Every limit the oxygen-cell health analysis judges by, in one place.
// docs/cell-health.md explains each of them and how they were chosen.
// Readings are in bar, times in seconds.
namespace CellHealthThresholds {

// A controller's readings count only while at least one of the cells reads
// this much: a controller that is off or not fitted logs zeros.
constexpr double MinimumReadingBar = 0.05;
// The other two cells agree with each other while they are no further apart
// than the larger of these: 0.1 bar, or a tenth of their mean.
constexpr double PeersAgreeBar = 0.10;
constexpr double PeersAgreeFraction = 0.10;
// Samples further apart than this are a gap in the log, not one interval.
constexpr double LongestSampleGapSeconds = 130.0;
// A condition that lapses for no longer than this still counts as one
// period: a reading that crosses a limit back and forth in the noise does
// not split one failure into many short ones.
constexpr double BridgeSeconds = 5.0;

// Disagrees: further than both of these from the mean of the other two...
constexpr double DisagreeBar = 0.20;
constexpr double DisagreeFraction = 0.10;
// ...for longer than this, while the other two agree.
constexpr double DisagreeSeconds = 30.0;

// Current-limited: the other two read at least LimitOnsetBar and more than
// LimitGapBar above the cell for longer than LimitSeconds...
constexpr double LimitOnsetBar = 1.20;
constexpr double LimitGapBar = 0.10;
constexpr double LimitSeconds = 30.0;
// ...the cell never reads more than this above its ceiling (the median of
// its readings while held down) for longer than LimitExceedSeconds...
constexpr double LimitFlatBar = 0.08;
constexpr double LimitExceedSeconds = 5.0;
// ...and below the ceiling it tracks the other two: for at least
// TrackingSeconds with the other two between TrackingMinimumBar and
// LimitGapBar under the ceiling, its median ratio to them is within
// TrackingFraction of 1.
constexpr double TrackingMinimumBar = 0.40;
constexpr double TrackingSeconds = 30.0;
constexpr double TrackingFraction = 0.05;

// Slow: steps of the other two's mean from one steady level to another.
// A steady level stays within PlateauSpreadBar for at least PlateauSeconds;
// two levels at least StepMinimumBar apart and no more than StepLongestSeconds
// apart make a step. Each of the three cells must move at least half the
// step the same way for it to count.
constexpr double PlateauSpreadBar = 0.10;
constexpr double PlateauSeconds = 20.0;
constexpr double StepMinimumBar = 0.30;
constexpr double StepLongestSeconds = 120.0;
// Response time: from the last sample at the old level until the reading
// has covered this part of its own step.
constexpr double ResponseFraction = 0.90;
// Slow when the cell needs more than SlowRatio times the mean response
// time of the other two, and at least SlowExtraSeconds more.
constexpr double SlowRatio = 2.0;
constexpr double SlowExtraSeconds = 10.0;

// Ratio to the other two, per dive: the median of reading / mean of the
// other two, over samples where they agree and read at least this much.
constexpr double RatioMinimumBar = 0.40;

// Drift across dives of one handset: over at least DriftMinimumDives dives
// with a ratio, the straight line fitted through the ratios (in dive order)
// changes by at least DriftMinimumChange from the first dive to the last,
// and the ratios follow it (correlation with the dive order at least
// DriftMinimumCorrelation in size).
constexpr int DriftMinimumDives = 5;
constexpr double DriftMinimumChange = 0.05;
constexpr double DriftMinimumCorrelation = 0.80;

} // namespace CellHealthThresholds
