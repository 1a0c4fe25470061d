// Seed corpus of fuzz_ndkmessage: whole messages of every kind of item, the
// insides of such messages (which the target seals itself), and streams of
// several messages back to back.
#include "CorpusFolder.h"
#include "NDKMessage.h"

#include <QCoreApplication>
#include <QDir>

namespace {

NDKMessage Make(int type, uint number, const QVariantList &items)
{
    NDKMessage message(NDKMessage::NDKServer, type, number);
    for (const QVariant &value : items)
        message.addItem(value);
    return message;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QDir dir;
    if (const int failed = CorpusFolder::Open(argc, argv, dir))
        return failed;

    const QList<NDKMessage> messages = {
        Make(NDKMessage::QuorUserJoin, 0, {QStringLiteral("diver")}),
        Make(NDKMessage::QuorText, 0, {QStringLiteral("Hello \u00e4"), true}),
        Make(NDKMessage::QuorCmdRead, 1, {0xBCu, 2u, 0x1000u, 64u}),
        Make(NDKMessage::QuorCmdWrite, 2, {0xB0u, 1u, 0x01000020u, 4u, QByteArray::fromHex("deadbeef")}),
        Make(NDKMessage::QuorResultReadBlocks, 3,
             {true, QStringLiteral("Data Message: Valid data returned"), QStringLiteral("Command succeded"), 128,
              QByteArray(128, '\x5A')}),
        Make(NDKMessage::QuorResultGetPortDetails, 4, {true, true, 3, 16}),
        Make(NDKMessage::QuorResultRequestLogs, 0, {1, QStringLiteral("Tessaro_2026_01_01.log"), 3, QByteArray("abc")}),
        Make(NDKMessage::QuorResultRequestLink, 0, {true, -7}),
        Make(NDKMessage::QuorNull, 0xFFFFFFFFu, {}),
    };
    QByteArray stream;
    int n = 0;
    for (const NDKMessage &message : messages) {
        const QByteArray wire = message.toByteArray();
        stream += wire;
        // Whole message, and its inside for the sealed path.
        if (!CorpusFolder::Write(dir, QStringLiteral("message_%1").arg(n), wire)
            || !CorpusFolder::Write(dir, QStringLiteral("inside_%1").arg(n), wire.mid(4, wire.size() - 4 - NDKMessage::DigestSize)))
            return 1;
        ++n;
    }
    // Items of the unsigned char kind and an unknown kind, hand made.
    QByteArray inside = messages.first().toByteArray().mid(4, 21);
    inside[17] = 3; // three items
    inside += QByteArray::fromHex("05ff") + QByteArray::fromHex("07") + QByteArray::fromHex("0101");
    if (!CorpusFolder::Write(dir, QStringLiteral("inside_uchar_unknown"), inside) || !CorpusFolder::Write(dir, QStringLiteral("stream"), stream))
        return 1;
    return 0;
}
