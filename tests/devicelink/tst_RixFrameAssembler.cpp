// Reply reassembly and classification of the device link on bytes given
// directly, cut into chunks the way a serial port may deliver them.
#include "RixComms.h"
#include "RixFrameAssembler.h"
#include "RixMessage.h"

#include <QtTest>

namespace {

QByteArray Frame(quint8 command, quint8 length, const QByteArray &payload)
{
    QByteArray frame;
    frame.append(char(RixMessage::StartByte)).append("Rix");
    frame.append(char(0xB2)).append(char(command));
    frame.append(char(0x01)).append(char(0x80)).append(char(0x00));
    frame.append(char(length)).append(payload);
    frame.append(char(RixMessage::Checksum(frame, frame.size())));
    return frame;
}

QByteArray Pattern(int size)
{
    QByteArray out(size, 0);
    for (int i = 0; i < size; ++i)
        out[i] = char(i * 11 + 3);
    return out;
}

} // namespace

using ChunkSizes = QVector<int>;
Q_DECLARE_METATYPE(RixFrameAssembler::State)

class TestRixFrameAssembler : public QObject
{
    Q_OBJECT

private slots:
    void assemble_data();
    void assemble();
    void discardLeavesTheNextFrame();
    void classify_data();
    void classify();
};

void TestRixFrameAssembler::assemble_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<ChunkSizes>("chunks"); // sizes in turn; the last one repeats
    QTest::addColumn<RixFrameAssembler::State>("state");
    QTest::addColumn<QByteArray>("frame");

    const QByteArray status = Frame(0, 1, QByteArray(1, '\0'));
    const QByteArray read = Frame(1, 28, Pattern(28));
    const QByteArray twoBlocks = Frame(17, 2, Pattern(128));
    const QByteArray fullBlocks = Frame(29 | 0x40, 32, Pattern(32 * 64));

    QTest::newRow("status in one chunk") << status << ChunkSizes{100} << RixFrameAssembler::Complete << status;
    QTest::newRow("read byte by byte") << read << ChunkSizes{1} << RixFrameAssembler::Complete << read;
    QTest::newRow("read in chunks of 4, 5 and 30") << read << ChunkSizes{4, 5, 30} << RixFrameAssembler::Complete << read;
    QTest::newRow("block read counts 64 bytes a block") << twoBlocks << ChunkSizes{9, 1, 7} << RixFrameAssembler::Complete << twoBlocks;
    QTest::newRow("32 blocks fill the buffer exactly") << fullBlocks << ChunkSizes{500} << RixFrameAssembler::Complete << fullBlocks;
    QTest::newRow("bytes after the frame are not part of it")
        << status + read << ChunkSizes{1000} << RixFrameAssembler::Complete << status;
    QTest::newRow("one byte short") << read.left(read.size() - 1) << ChunkSizes{3} << RixFrameAssembler::Incomplete << QByteArray();
    QTest::newRow("length byte not yet in") << read.left(9) << ChunkSizes{9} << RixFrameAssembler::Incomplete << QByteArray();

    QByteArray wrongStart = status;
    wrongStart[0] = 'A';
    QTest::newRow("wrong start byte") << wrongStart << ChunkSizes{1} << RixFrameAssembler::HeaderMismatch << QByteArray();
    QByteArray wrongFourth = read;
    wrongFourth[3] = 'X';
    QTest::newRow("wrong fourth byte in a later chunk")
        << wrongFourth << ChunkSizes{3, 20} << RixFrameAssembler::HeaderMismatch << QByteArray();
    // 33 blocks announced: refused once the length byte is in, before any payload.
    QTest::newRow("more blocks than the buffer holds")
        << Frame(17, 33, QByteArray()).left(10) << ChunkSizes{10} << RixFrameAssembler::Oversized << QByteArray();
}

void TestRixFrameAssembler::assemble()
{
    QFETCH(QByteArray, received);
    QFETCH(ChunkSizes, chunks);
    QFETCH(RixFrameAssembler::State, state);
    QFETCH(QByteArray, frame);

    RixFrameAssembler assembler(RixComms::IncomingCapacity, RixComms::ScratchCapacity);
    int at = 0;
    for (int i = 0; at < received.size(); ++i) {
        const int size = chunks.at(qMin(i, chunks.size() - 1));
        assembler.Append(received.mid(at, size));
        at += size;
    }
    QCOMPARE(assembler.CurrentState(), state);
    QCOMPARE(assembler.Frame(), frame);
    // Once decided, more bytes change nothing.
    if (state != RixFrameAssembler::Incomplete) {
        QCOMPARE(assembler.Append(Pattern(50)), state);
        QCOMPARE(assembler.Frame(), frame);
    }
}

// A late reply and the awaited one arrive in one chunk: dropping the first
// leaves the second, and a part-received third frame is completed by more bytes.
void TestRixFrameAssembler::discardLeavesTheNextFrame()
{
    const QByteArray late = Frame(1, 28, Pattern(28));
    const QByteArray awaited = Frame(17, 2, Pattern(128));
    const QByteArray status = Frame(0, 1, QByteArray(1, '\0'));

    RixFrameAssembler assembler(RixComms::IncomingCapacity, RixComms::ScratchCapacity);
    QCOMPARE(assembler.Append(late + awaited + status.left(5)), RixFrameAssembler::Complete);
    QCOMPARE(assembler.Frame(), late);
    QCOMPARE(assembler.BytesAfterFrame(), awaited + status.left(5));

    assembler.DiscardFrame();
    QCOMPARE(assembler.CurrentState(), RixFrameAssembler::Complete);
    QCOMPARE(assembler.Frame(), awaited);
    QCOMPARE(assembler.BytesAfterFrame(), status.left(5));

    assembler.DiscardFrame();
    QCOMPARE(assembler.CurrentState(), RixFrameAssembler::Incomplete);
    QCOMPARE(assembler.Append(status.mid(5)), RixFrameAssembler::Complete);
    QCOMPARE(assembler.Frame(), status);
    QVERIFY(assembler.BytesAfterFrame().isEmpty());

    // Garbage behind a discarded frame is a mismatch, not a frame.
    RixFrameAssembler damaged(RixComms::IncomingCapacity, RixComms::ScratchCapacity);
    damaged.Append(late + QByteArray("xyz"));
    damaged.DiscardFrame();
    QCOMPARE(damaged.CurrentState(), RixFrameAssembler::HeaderMismatch);
}

void TestRixFrameAssembler::classify_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");

    QTest::newRow("status no error") << Frame(0, 1, QByteArray(1, '\0')) << int(RixComms::MessageValid)
                                     << "Status Message: No error.";
    QTest::newRow("status with two bits set") << Frame(0, 1, QByteArray(1, '\x03')) << int(RixComms::MessageValid)
                                              << "Status Message: Unknown message.";
    QTest::newRow("data") << Frame(1, 4, Pattern(4)) << int(RixComms::MessageValid)
                          << "Data Message: Valid data returned";
    QByteArray checksum = Frame(1, 4, Pattern(4));
    checksum[checksum.size() - 1] = char(checksum.at(checksum.size() - 1) ^ 1);
    QTest::newRow("wrong checksum") << checksum << int(RixComms::MessageInvalidChecksum) << "Invalid message.";
    QByteArray header = Frame(1, 4, Pattern(4));
    header[1] = 'r';
    QTest::newRow("wrong header") << header << int(RixComms::MessageInvalidHeader) << "Invalid message.";
    QTest::newRow("shorter than announced") << Frame(1, 4, Pattern(4)).left(12) << int(RixComms::MessageInvalidChecksum)
                                            << "Invalid message.";
}

void TestRixFrameAssembler::classify()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, result);
    QFETCH(QString, text);

    RixMessage incoming(RixComms::IncomingCapacity);
    QCOMPARE(RixComms::ClassifyFrame(incoming), int(RixComms::MessageTimeout)); // nothing received
    incoming.SetReceived(frame);
    QCOMPARE(RixComms::ClassifyFrame(incoming), result);
    QCOMPARE(RixComms::FrameText(incoming), text);
}

QTEST_APPLESS_MAIN(TestRixFrameAssembler)
#include "tst_RixFrameAssembler.moc"
