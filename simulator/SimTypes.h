#pragma once

#include <QByteArray>
#include <QVector>
#include <QtGlobal>

// Plain value types shared by the simulated rebreather bus.

// One request frame as a unit sees it.
struct SimRequest {
    quint8 deviceId = 0;
    quint8 command = 0;     // the full command byte, modifiers included
    quint8 opcode = 0;      // command & 0x3F
    quint8 modifiers = 0;   // command & 0xC0
    quint32 address = 0;    // 24-bit frame address
    quint8 length = 0;      // bytes, or 64-byte blocks for a block read
    QByteArray payload;     // only for requests with bit 0 of the command clear
};

// What a unit answers. Silent means no bytes at all go back.
struct SimReply {
    enum class Kind { Silent, Status, Data };
    Kind kind = Kind::Silent;
    quint8 status = 0;      // Status: the status code
    quint8 command = 0;     // Data: command byte of the reply
    quint32 address = 0;    // Data: echoed address
    quint8 length = 0;      // Data: length byte of the reply
    QByteArray payload;     // Data: payload bytes

    static SimReply Silent() { return SimReply(); }
    static SimReply Status(quint8 code)
    {
        SimReply r;
        r.kind = Kind::Status;
        r.status = code;
        return r;
    }
    static SimReply Data(quint8 command, quint32 address, quint8 length, const QByteArray &payload)
    {
        SimReply r;
        r.kind = Kind::Data;
        r.command = command;
        r.address = address;
        r.length = length;
        r.payload = payload;
        return r;
    }
};

// Status codes a unit answers with.
namespace SimStatus {
constexpr quint8 Ok = 0;
constexpr quint8 ChecksumInvalid = 1;
constexpr quint8 CommandInvalid = 2;
constexpr quint8 DataLengthInvalid = 4;
constexpr quint8 OperationFailed = 128;
} // namespace SimStatus

// Per-frame faults. A fault applies to the reply of one received frame.
enum class SimFault {
    None,
    NoReply,          // the frame is swallowed
    TruncatedReply,   // only the first bytes of the reply are sent
    CorruptChecksum,  // the last byte is flipped
    WrongHeader,      // the first byte of the reply is not 0xAC
    StatusError,      // a status message with an error code instead of the answer
    ChunkedReply,     // the reply goes out in chunks with gaps between them
    DelayedReply,     // the reply goes out late
};

struct SimFaultSpec {
    SimFault fault = SimFault::None;
    int truncateTo = 5;              // TruncatedReply: bytes kept
    quint8 statusCode = 128;         // StatusError: the code sent
    QVector<int> chunkSizes;         // ChunkedReply: fixed sizes; empty = random from the seed
    int chunkGapMs = 5;              // ChunkedReply: pause between chunks
    int delayMs = 700;               // DelayedReply: pause before the reply
};

// Random per-frame fault rates (0..1), drawn from the simulator's seeded generator.
struct SimFaultRates {
    double noReply = 0;
    double truncatedReply = 0;
    double corruptChecksum = 0;
    double wrongHeader = 0;
    double statusError = 0;
    double chunkedReply = 0;
    double delayedReply = 0;
    int delayMs = 700;
    int maxChunkGapMs = 5;

    // rate spread evenly over the seven fault kinds.
    static SimFaultRates Spread(double rate)
    {
        SimFaultRates r;
        r.noReply = r.truncatedReply = r.corruptChecksum = r.wrongHeader = r.statusError =
            r.chunkedReply = r.delayedReply = rate / 7.0;
        return r;
    }
};

struct SimTiming {
    bool lineRate = false;     // pace bytes as a 57600-baud line would (10 bits a byte)
    int baudRate = 57600;
    int deviceLatencyMs = 0;   // pause between a complete request and its reply
};

// One request frame as it arrived on the simulated wire.
struct SimFrameRecord {
    QByteArray bytes;          // the raw frame, checksum included
    qint64 receivedAtUs = 0;   // monotonic time the frame completed, microseconds
    bool checksumValid = true;
    SimFault faultApplied = SimFault::None;
};
