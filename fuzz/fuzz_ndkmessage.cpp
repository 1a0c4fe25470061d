// Feeds arbitrary bytes to the remote-support message decoding and to the
// stream framing: as a received message, as the inside of a message whose
// length field and digest are right (so that the item decoding is reached),
// and as a byte stream cut into chunks. A message that decodes must survive
// being assembled and decoded again unchanged.
#include "NDKMessage.h"
#include "NDKStreamFramer.h"

#include <QtEndian>

#include <cstddef>
#include <cstdint>

namespace {

QByteArray Sealed(const QByteArray &body)
{
    QByteArray wire(4, '\0');
    qToLittleEndian<quint32>(quint32(4 + body.size() + NDKMessage::DigestSize), wire.data());
    wire += body;
    wire += QByteArray(NDKMessage::DigestSize, '\0');
    wire.replace(wire.size() - NDKMessage::DigestSize, NDKMessage::DigestSize, NDKMessage::DigestOf(wire));
    return wire;
}

void CheckRoundTrip(const NDKMessage &message)
{
    NDKMessage again;
    if (!again.fromByteArray(message.toByteArray()) || again.messageType() != message.messageType()
        || again.msgNumber() != message.msgNumber() || again.clientType() != message.clientType()
        || again.items() != message.items())
        __builtin_trap();
}

void Quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

} // namespace

// The decoder's trace lines would only slow the runs down.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(Quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));

    NDKMessage raw;
    if (raw.fromByteArray(bytes))
        CheckRoundTrip(raw);

    NDKMessage sealed;
    if (sealed.fromByteArray(Sealed(bytes)))
        CheckRoundTrip(sealed);

    // The stream, in chunks whose sizes the input's own bytes choose.
    NDKStreamFramer framer;
    int offset = 0;
    int step = 0;
    while (offset < bytes.size()) {
        const int chunk = 1 + quint8(bytes.at(step++ % bytes.size())) % 64;
        framer.Append(bytes.mid(offset, chunk));
        offset += chunk;
        QByteArray message;
        NDKStreamFramer::Result result;
        while ((result = framer.Next(message)) == NDKStreamFramer::Result::Message) {
            NDKMessage decoded;
            if (decoded.fromByteArray(message))
                CheckRoundTrip(decoded);
        }
        if (result == NDKStreamFramer::Result::BadLength)
            break;
    }
    return 0;
}
