// Seed corpus for fuzz_rixreply: the replies the units send (status
// messages of every code, data replies, block-read replies), behind the
// chunking byte the fuzzer reads first.
#include "CorpusFolder.h"
#include "RixMessage.h"

#include <QCoreApplication>
#include <QDir>

namespace {

// A reply frame with its checksum, built the way the units build theirs.
QByteArray Reply(quint8 deviceId, quint8 command, quint32 address, quint8 length, const QByteArray &payload)
{
    QByteArray frame;
    frame.append(char(RixMessage::StartByte)).append("Rix");
    frame.append(char(deviceId)).append(char(command));
    frame.append(char(address >> 16)).append(char(address >> 8)).append(char(address));
    frame.append(char(length)).append(payload);
    frame.append(char(RixMessage::Checksum(frame, frame.size())));
    return frame;
}

QByteArray Pattern(int size)
{
    QByteArray out(size, 0);
    for (int i = 0; i < size; ++i)
        out[i] = char(i * 13 + 5);
    return out;
}

bool Write(const QDir &dir, const QString &name, quint8 chunking, const QByteArray &bytes)
{
    return CorpusFolder::Write(dir, name, QByteArray(1, char(chunking)) + bytes);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QDir dir;
    if (const int failed = CorpusFolder::Open(argc, argv, dir))
        return failed;

    bool ok = true;
    for (int code : {0, 1, 2, 3, 4, 8, 16, 32, 64, 128}) {
        ok = ok && Write(dir, QStringLiteral("status_%1").arg(code), 0,
                         Reply(0xBC, 0, 0, 1, QByteArray(1, char(code))));
    }
    ok = ok && Write(dir, QStringLiteral("status_without_code"), 0, Reply(0xBC, 0, 0, 0, {}));
    ok = ok && Write(dir, QStringLiteral("bridge_bluetooth"), 0, Reply(0xB8, 12, 0, 2, QByteArray("\x01\x07", 2)));
    ok = ok && Write(dir, QStringLiteral("read_64"), 4, Reply(0xB2, 1, 0x8000, 64, Pattern(64)));
    ok = ok && Write(dir, QStringLiteral("read_eeprom_1"), 0, Reply(0xB0, 3, 0, 1, QByteArray(1, '\x05')));
    ok = ok && Write(dir, QStringLiteral("block_read_2"), 30, Reply(0xBC, 17, 0x10000, 2, Pattern(128)));
    ok = ok && Write(dir, QStringLiteral("block_read_32"), 61, Reply(0xBC, 29 | 0x40, 0x20000, 32, Pattern(2048)));
    ok = ok && Write(dir, QStringLiteral("modifier_bits"), 9, Reply(0xB4, 5 | 0x80, 0x3FFF, 8, Pattern(8)));
    QByteArray badChecksum = Reply(0xB2, 1, 0x100, 4, Pattern(4));
    badChecksum[badChecksum.size() - 1] = char(badChecksum.at(badChecksum.size() - 1) ^ 0xFF);
    ok = ok && Write(dir, QStringLiteral("bad_checksum"), 0, badChecksum);
    ok = ok && Write(dir, QStringLiteral("trailing_bytes"), 5,
                     Reply(0xB2, 0, 0, 1, QByteArray(1, '\0')) + Reply(0xB2, 1, 0x8100, 4, Pattern(4)));
    return ok ? 0 : 1;
}
