#pragma once

#include <QtGlobal>

class DeviceList;
class RixComms;

// The display's logging pointer (where the next log byte goes) and, on
// colour displays, the log book pointer, read from its system variables.
struct LoggingPointers {
    quint32 logging = 0;
    quint16 logBook = 0;

    // Colour display: pointer bytes 1-4, log book pointer bytes 5-6.
    bool ReadColour(RixComms &link, const DeviceList &catalogue);
    // Mono display: bytes 1-3 less the start of the log data, an offset.
    bool ReadMono(RixComms &link, const DeviceList &catalogue);
};
