// Status-log files as they reach the reader: any bytes (a file cut short by
// a crash, stray bytes, a length field that wrapped or was damaged). Every
// record found must lie inside the file, in order, and the reader must stop.
#include "StatusLogReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const StatusLogReader::Result result = StatusLogReader::Decode(bytes);

    qint64 previous = -1;
    for (const StatusLogReader::Entry &entry : result.entries) {
        if (entry.offset <= previous || entry.offset >= qint64(size))
            __builtin_trap(); // records come in file order, each inside the file
        if (!StatusLogReader::RecordStartsAt(bytes, entry.offset))
            __builtin_trap(); // an entry starts where a record starts
        previous = entry.offset;
    }
    for (const StatusLogReader::Problem &problem : result.problems) {
        if (problem.offset < 0 || problem.offset >= qint64(size) || problem.description.isEmpty())
            __builtin_trap();
    }
    return 0;
}
