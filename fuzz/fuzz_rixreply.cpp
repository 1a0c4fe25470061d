// Replies of the rebreather's units as the serial port delivers them: any
// bytes, cut into chunks, go through the link's reply reassembly; a frame it
// completes goes through the link's classification and every accessor a
// caller reads a reply with. The raw bytes are also taken as a frame on
// their own, so headers and checksums of every kind reach the classification.
#include "RixComms.h"
#include "RixFrameAssembler.h"
#include "RixMessage.h"

#include <cstddef>
#include <cstdint>

namespace {

void Inspect(const RixMessage &frame)
{
    const int result = RixComms::ClassifyFrame(frame);
    if (result < RixComms::MessageValid || result > RixComms::MessageUnknownError)
        __builtin_trap();
    const int payloadLength = frame.PayloadLength();
    const QByteArray payload = frame.Payload();
    if (payloadLength < 0 || payload.size() != payloadLength
        || payloadLength > RixComms::IncomingCapacity - RixMessage::FrameOverhead)
        __builtin_trap(); // the payload never reaches past what was received
    if (result == RixComms::MessageValid
        && payloadLength != RixMessage::PayloadSizeFor(frame.Command(), frame.LengthByte()))
        __builtin_trap(); // a valid frame carries exactly the payload it announces
    if (frame.StatusCode() != 0 && !(result == RixComms::MessageValid && frame.IsStatusMessage()))
        __builtin_trap(); // a status code comes only from a valid status message
    if (RixComms::FrameText(frame).isEmpty() || RixComms::StatusText(frame.StatusCode()).isEmpty())
        __builtin_trap();
    frame.IsStatusOK();
    frame.Address();
    frame.DeviceId();
    RixMessage::HexDump(frame.Bytes().left(64));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 8192)
        return 0;
    // First byte: how the port cuts the reply into chunks (0: all at once).
    const int chunk = data[0] == 0 ? int(size) : data[0] % 67 + 1;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), int(size - 1));

    RixFrameAssembler assembler(RixComms::IncomingCapacity, RixComms::ScratchCapacity);
    int at = 0;
    const auto feed = [&] {
        for (; at < bytes.size() && assembler.CurrentState() == RixFrameAssembler::Incomplete; at += chunk)
            assembler.Append(bytes.mid(at, chunk));
    };
    feed();

    const QByteArray frame = assembler.Frame();
    switch (assembler.CurrentState()) {
    case RixFrameAssembler::Complete: {
        if (frame.size() != assembler.ExpectedSize() || frame.size() > RixComms::IncomingCapacity
            || frame.size() < RixMessage::FrameOverhead || !bytes.startsWith(frame))
            __builtin_trap(); // the frame is the first bytes received, and fits the buffer
        RixMessage incoming(RixComms::IncomingCapacity);
        incoming.SetReceived(frame);
        if (!incoming.HeaderValid())
            __builtin_trap(); // a wrong header never completes
        Inspect(incoming);
        break;
    }
    case RixFrameAssembler::HeaderMismatch:
    case RixFrameAssembler::Oversized:
    case RixFrameAssembler::Incomplete:
        if (!frame.isEmpty())
            __builtin_trap();
        break;
    }

    // Frames dropped as late replies: the assembler goes on with what
    // follows, and every further frame it completes is a whole frame too.
    for (int dropped = 0; assembler.CurrentState() == RixFrameAssembler::Complete && dropped < 64; ++dropped) {
        assembler.DiscardFrame();
        feed();
        if (assembler.CurrentState() == RixFrameAssembler::Complete) {
            const QByteArray next = assembler.Frame();
            RixMessage message(RixComms::IncomingCapacity);
            message.SetReceived(next);
            if (next.size() != assembler.ExpectedSize() || next.size() > RixComms::IncomingCapacity
                || !message.HeaderValid())
                __builtin_trap();
        } else if (!assembler.Frame().isEmpty() || !assembler.BytesAfterFrame().isEmpty()) {
            __builtin_trap();
        }
    }

    RixMessage raw(RixComms::IncomingCapacity);
    raw.SetReceived(bytes);
    Inspect(raw);
    return 0;
}
