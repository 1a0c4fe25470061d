#pragma once

#include <QDateTime>

// Figures of one session's dive, taken over its in-dive samples.
struct QuorLogDiveSummary
{
    double averageDepth = 0.0;        // m
    double largestSampleDepth = 0.0;  // m
    double greatestDepth = 0.0;       // m
    int largestAmbientPressure = 0;   // mbar
    double largestSetpoint = 0.0;     // bar
    double controller1MaxPpO2 = 0.0;
    double controller1MinPpO2 = 2.55;
    double controller2MaxPpO2 = 0.0;
    double controller2MinPpO2 = 2.55;
    double inControlMaxPpO2 = 0.0;    // the dive's highest ppO2
    double inControlMinPpO2 = 2.55;
    int largestCns = 0;
    int largestOtu = 0;
    double lowestTemperature = 999.0; // degC
    int surfacePressure = 0;          // mbar
    double airTemperature = 0.0;      // degC
    int diveNumber = 0;
    QDateTime diveStart;
    int diveDuration = 0;             // s
};
