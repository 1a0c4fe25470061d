#include "QuorLogSample.h"

#include "LogRecordLayout.h"

namespace S = LogRecordLayout::Status;

double QuorLogSample::Depth() const
{
    const double depth = (ambientPressure - surfacePressure) / 100.0;
    return depth > 0.0 ? depth : 0.0;
}

bool QuorLogSample::InDive() const { return statusBytes[S::ModeByte] & S::InDiveBit; }

bool QuorLogSample::OpenCircuit() const { return statusBytes[S::ModeByte] & S::OpenCircuitBit; }

int QuorLogSample::ControllerInControl() const
{
    if (statusBytes[S::Controller1Byte] & S::InControlBit)
        return 1;
    if (statusBytes[S::Controller2Byte] & S::InControlBit)
        return 2;
    return 1;
}

quint64 QuorLogSample::AlarmWord() const
{
    // statusBytes: a=0 b=1 c=2 d=3 e=4 f=5 g=6
    return quint64(statusBits & 0xFF) | (quint64(statusBytes[1] & 0xFF) << 8) | (quint64(statusBytes[2] & 0xFF) << 16)
        | (quint64(statusBytes[4] & 0xFF) << 24) | (quint64(statusBytes[6] & 0xFF) << 32);
}
