// The remote-support message: wire form, digest, client code, item decoding,
// and the framing of a byte stream into messages.

#include "NDKMessage.h"
#include "NDKStreamFramer.h"
#include "RemoteSupportConstants.h"

#include <QtEndian>
#include <QtTest>

namespace {

QByteArray u32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// A wire form around a hand-made body (everything after the length field and
// before the digest), with a correct length field and digest.
QByteArray seal(const QByteArray &body)
{
    QByteArray wire = u32(quint32(4 + body.size() + NDKMessage::DigestSize)) + body
                      + QByteArray(NDKMessage::DigestSize, '\0');
    wire.replace(wire.size() - NDKMessage::DigestSize, NDKMessage::DigestSize, NDKMessage::DigestOf(wire));
    return wire;
}

// Header of a server message carrying `count` items.
QByteArray header(quint32 count, qint32 type = NDKMessage::QuorText, quint32 number = 7)
{
    return NDKMessage::EncodeClientCode(NDKMessage::NDKServer) + QByteArray(1, '\x01') + u32(number)
           + u32(quint32(type)) + u32(count);
}

QByteArray itemBytes(const NDKMessage &message)
{
    const QByteArray wire = message.toByteArray();
    return wire.mid(NDKMessage::HeaderSize, wire.size() - NDKMessage::HeaderSize - NDKMessage::DigestSize);
}

} // namespace

class tst_NDKMessage : public QObject
{
    Q_OBJECT
private slots:
    void emptyMessage();
    void itemEncoding_data();
    void itemEncoding();
    void shortBuffersRejected_data();
    void shortBuffersRejected();
    void anyChangedByteFailsTheDigest();
    void unknownItemTypeIsSkipped();
    void truncatedItemsFail_data();
    void truncatedItemsFail();
    void clientCodes_data();
    void clientCodes();
    void freshClientCodePerMessage();
    void itemAccess();
    void names();
    void framing();
    void framingRejectsLengths_data();
    void framingRejectsLengths();
};

void tst_NDKMessage::emptyMessage()
{
    const NDKMessage message(NDKMessage::NDKEndUserClient, NDKMessage::QuorResultRequestLogsInProgress, 0);
    const QByteArray wire = message.toByteArray();
    QCOMPARE(wire.size(), 57);
    QCOMPARE(qFromLittleEndian<quint32>(wire.constData()), 57u);
    QCOMPARE(int(wire.at(12)), 1);

    NDKMessage decoded;
    QVERIFY(decoded.fromByteArray(wire));
    QCOMPARE(decoded.clientType(), int(NDKMessage::NDKEndUserClient));
    QCOMPARE(decoded.messageType(), int(NDKMessage::QuorResultRequestLogsInProgress));
    QCOMPARE(decoded.itemCount(), 0);
}

void tst_NDKMessage::itemEncoding_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QVariant>("decoded");

    QTest::newRow("empty string") << QVariant(QString()) << QByteArray::fromHex("0000000000")
                                  << QVariant(QString());
    QTest::newRow("string") << QVariant(QStringLiteral("Ab")) << QByteArray::fromHex("00020000004162")
                            << QVariant(QStringLiteral("Ab"));
    QTest::newRow("Latin-1 string") << QVariant(QStringLiteral("\u00e4")) << QByteArray::fromHex("0001000000e4")
                                    << QVariant(QStringLiteral("\u00e4"));
    QTest::newRow("character outside Latin-1") << QVariant(QStringLiteral("a\u20acb"))
                                               << QByteArray::fromHex("0003000000610062")
                                               << QVariant(QString::fromLatin1("a\0b", 3));
    QTest::newRow("true") << QVariant(true) << QByteArray::fromHex("0101") << QVariant(true);
    QTest::newRow("false") << QVariant(false) << QByteArray::fromHex("0100") << QVariant(false);
    QTest::newRow("int") << QVariant(-2) << QByteArray::fromHex("02feffffff") << QVariant(-2);
    QTest::newRow("unsigned int") << QVariant(0x12345678u) << QByteArray::fromHex("0378563412")
                                  << QVariant(0x12345678u);
    QTest::newRow("byte array") << QVariant(QByteArray::fromHex("00ff10"))
                                << QByteArray::fromHex("040300000000ff10") << QVariant(QByteArray::fromHex("00ff10"));
    QTest::newRow("empty byte array") << QVariant(QByteArray()) << QByteArray::fromHex("0400000000")
                                      << QVariant(QByteArray());
    QTest::newRow("other kinds add nothing") << QVariant(2.5) << QByteArray() << QVariant();
}

void tst_NDKMessage::itemEncoding()
{
    QFETCH(QVariant, value);
    QFETCH(QByteArray, bytes);
    QFETCH(QVariant, decoded);

    NDKMessage message(NDKMessage::NDKServer, NDKMessage::QuorText, 3);
    message.addItem(value);
    QCOMPARE(itemBytes(message).toHex(), bytes.toHex());

    // A value of another kind contributes no bytes (the count still says one).
    if (bytes.isEmpty())
        return;
    NDKMessage back;
    QVERIFY(back.fromByteArray(message.toByteArray()));
    QCOMPARE(back.itemCount(), 1);
    QCOMPARE(back.item(0), decoded);
    QCOMPARE(back.item(0).userType(), decoded.userType());
    QCOMPARE(back.msgNumber(), 3u);
}

void tst_NDKMessage::shortBuffersRejected_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("51 bytes") << 51 << false;
    QTest::newRow("no digest at all") << 20 << false;
    QTest::newRow("57 bytes, no items") << 57 << true;
}

void tst_NDKMessage::shortBuffersRejected()
{
    QFETCH(int, size);
    QFETCH(bool, accepted);
    // A buffer of that size whose digest is right: only its size decides.
    const QByteArray body = header(0).left(qMax(0, size - 4 - NDKMessage::DigestSize));
    QByteArray wire = seal(body);
    if (wire.size() != size)
        wire = NDKMessage::DigestOf(QByteArray(size, 'x')).left(size);
    NDKMessage message;
    QCOMPARE(message.fromByteArray(wire), accepted);
}

void tst_NDKMessage::anyChangedByteFailsTheDigest()
{
    NDKMessage message(NDKMessage::NDKServer, NDKMessage::QuorCmdWrite, 42);
    message.addItem(0xBCu);
    message.addItem(QStringLiteral("text"));
    message.addItem(QByteArray::fromHex("0102"));
    const QByteArray wire = message.toByteArray();
    NDKMessage intact;
    QVERIFY(intact.fromByteArray(wire));

    for (int i = 0; i < wire.size(); ++i) {
        QByteArray changed = wire;
        changed[i] = char(changed.at(i) ^ 0x01);
        NDKMessage decoded;
        QVERIFY2(!decoded.fromByteArray(changed), qPrintable(QStringLiteral("byte %1").arg(i)));
    }
}

void tst_NDKMessage::unknownItemTypeIsSkipped()
{
    // Type 7 is unknown: its byte is skipped and the next byte starts the next item.
    const QByteArray wire = seal(header(2) + QByteArray::fromHex("07") + QByteArray::fromHex("00020000004869"));
    QTest::ignoreMessage(QtDebugMsg, "Unhandled type in byte array decoding");
    NDKMessage message;
    QVERIFY(message.fromByteArray(wire));
    QCOMPARE(message.itemCount(), 1);
    QCOMPARE(message.item(0).toString(), QStringLiteral("Hi"));
}

void tst_NDKMessage::truncatedItemsFail_data()
{
    QTest::addColumn<QByteArray>("items");
    QTest::addColumn<quint32>("count");
    QTest::addColumn<QString>("trace");

    // The digest's 32 bytes count as buffer: lengths must reach past them.
    QTest::newRow("string longer than the buffer") << QByteArray::fromHex("00ff000000") << 1u
                                                   << QStringLiteral("Insufficient bytes for string");
    QTest::newRow("byte array of 4 GiB") << QByteArray::fromHex("04ffffffff") << 1u
                                         << QStringLiteral("Insufficient bytes for byte array");
    QTest::newRow("more items than bytes") << QByteArray::fromHex("0101") << 1000u << QString();
}

void tst_NDKMessage::truncatedItemsFail()
{
    QFETCH(QByteArray, items);
    QFETCH(quint32, count);
    QFETCH(QString, trace);
    if (!trace.isEmpty())
        QTest::ignoreMessage(QtDebugMsg, qPrintable(trace));
    NDKMessage message;
    QVERIFY(!message.fromByteArray(seal(header(count) + items)));
}

void tst_NDKMessage::clientCodes_data()
{
    QTest::addColumn<int>("clientType");
    QTest::addColumn<int>("readBack");
    QTest::newRow("end user") << int(NDKMessage::NDKEndUserClient) << int(NDKMessage::NDKEndUserClient);
    QTest::newRow("support staff") << int(NDKMessage::NDKSupportStaffClient) << int(NDKMessage::NDKSupportStaffClient);
    QTest::newRow("server") << int(NDKMessage::NDKServer) << int(NDKMessage::NDKServer);
    QTest::newRow("any other value") << 4711 << int(NDKMessage::NDKUndefinedClient);
}

void tst_NDKMessage::clientCodes()
{
    QFETCH(int, clientType);
    QFETCH(int, readBack);
    const quint16 extremes[][8] = {{0, 0, 0, 0, 0, 0, 0, 0},
                                   {32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767},
                                   {1, 200, 3000, 32767, 17, 9999, 128, 65}};
    for (const auto &values : extremes) {
        const QByteArray code = NDKMessage::EncodeClientCode(clientType, values);
        QCOMPARE(code.size(), 8);
        QCOMPARE(NDKMessage::DecodeClientType(code), clientType);
    }
    NDKMessage decoded;
    QVERIFY(decoded.fromByteArray(NDKMessage(clientType, NDKMessage::QuorText, 0).toByteArray()));
    QCOMPARE(decoded.clientType(), readBack);
}

void tst_NDKMessage::freshClientCodePerMessage()
{
    // Codes are random: two equal codes in a row are possible but rare, so
    // the test looks for a difference among a few pairs.
    bool differed = false;
    for (int i = 0; i < 8 && !differed; ++i) {
        const NDKMessage first(NDKMessage::NDKEndUserClient, NDKMessage::QuorText, 0);
        const NDKMessage second(NDKMessage::NDKEndUserClient, NDKMessage::QuorText, 0);
        QCOMPARE(first.clientType(), int(NDKMessage::NDKEndUserClient));
        QCOMPARE(second.clientType(), int(NDKMessage::NDKEndUserClient));
        differed = first.clientCode() != second.clientCode();
    }
    QVERIFY(differed);
}

void tst_NDKMessage::itemAccess()
{
    NDKMessage message(NDKMessage::NDKEndUserClient, NDKMessage::QuorResultRequestLogs, 0);
    message.setItem(0, 5); // out of range: nothing
    QCOMPARE(message.itemCount(), 0);
    QVERIFY(!message.item(0).isValid());
    QVERIFY(!message.item(-1).isValid());
    message.addItem(1);
    message.addItem(QStringLiteral("a.log"));
    message.setItem(0, 2);
    QCOMPARE(message.item(0).toInt(), 2);
    QCOMPARE(message.itemCount(), 2);
}

void tst_NDKMessage::names()
{
    QCOMPARE(NDKMessage::ClientTypeName(NDKMessage::NDKServer), QStringLiteral("NDKServer"));
    QCOMPARE(NDKMessage::ClientTypeName(NDKMessage::NDKUndefinedClient), QStringLiteral("NDKUndefinedClient"));
    QCOMPARE(NDKMessage::ClientTypeName(99), QStringLiteral("Undefined"));
    QCOMPARE(NDKMessage::MessageTypeName(NDKMessage::NDKClientDisconnect), QStringLiteral("NDKClientDisconnect"));
    QCOMPARE(NDKMessage::MessageTypeName(NDKMessage::QuorNull), QStringLiteral("QuorNull"));
    QCOMPARE(NDKMessage::MessageTypeName(NDKMessage::QuorResultRequestSafetyStatus),
             QStringLiteral("QuorResultRequestSafetyStatus"));
    QVERIFY(NDKMessage::MessageTypeName(100).isEmpty());
    const NDKMessage message(NDKMessage::NDKEndUserClient, NDKMessage::QuorText, 0);
    QCOMPARE(message.headerDump().left(12), QStringLiteral("39 00 00 00 ")); // 57 bytes
}

void tst_NDKMessage::framing()
{
    NDKMessage a(NDKMessage::NDKServer, NDKMessage::QuorText, 1);
    a.addItem(QStringLiteral("first"));
    NDKMessage b(NDKMessage::NDKServer, NDKMessage::QuorCmdRead, 2);
    NDKMessage c(NDKMessage::NDKServer, NDKMessage::QuorCmdWrite, 3);
    c.addItem(QByteArray(300, 'x'));
    const QByteArray stream = a.toByteArray() + b.toByteArray() + c.toByteArray();

    // Two messages in one chunk, then the third a byte at a time.
    NDKStreamFramer framer;
    const int split = a.toByteArray().size() + b.toByteArray().size();
    framer.Append(stream.left(split));
    QList<QByteArray> messages;
    QByteArray out;
    while (framer.Next(out) == NDKStreamFramer::Result::Message)
        messages << out;
    QCOMPARE(messages.size(), 2);
    for (int i = split; i < stream.size(); ++i) {
        framer.Append(stream.mid(i, 1));
        while (framer.Next(out) == NDKStreamFramer::Result::Message)
            messages << out;
        if (i < stream.size() - 1)
            QCOMPARE(messages.size(), 2);
    }
    QCOMPARE(messages.size(), 3);
    QCOMPARE(messages.at(0), a.toByteArray());
    QList<uint> numbers;
    for (const QByteArray &raw : messages) {
        NDKMessage decoded;
        QVERIFY(decoded.fromByteArray(raw));
        numbers << decoded.msgNumber();
    }
    QCOMPARE(numbers, (QList<uint>{1, 2, 3}));
    QCOMPARE(framer.Buffered(), 0);
    QCOMPARE(framer.PendingLength(), -1);
}

void tst_NDKMessage::framingRejectsLengths_data()
{
    QTest::addColumn<quint32>("length");
    QTest::addColumn<bool>("rejected");
    QTest::newRow("0") << 0u << true;
    QTest::newRow("51") << 51u << true;
    QTest::newRow("52") << 52u << false;
    QTest::newRow("limit") << quint32(RemoteSupportConstants::MaxMessageLength) << false;
    QTest::newRow("limit + 1") << quint32(RemoteSupportConstants::MaxMessageLength) + 1 << true;
    QTest::newRow("4 GiB") << 0xFFFFFFFFu << true;
}

void tst_NDKMessage::framingRejectsLengths()
{
    QFETCH(quint32, length);
    QFETCH(bool, rejected);
    NDKStreamFramer framer;
    framer.Append(u32(length) + QByteArray(40, 'x'));
    QByteArray out;
    const NDKStreamFramer::Result result = framer.Next(out);
    QCOMPARE(result == NDKStreamFramer::Result::BadLength, rejected);
    if (!rejected) {
        QCOMPARE(result, NDKStreamFramer::Result::NeedMore);
        QCOMPARE(framer.PendingLength(), qint64(length));
    } else {
        QVERIFY(framer.ErrorText().contains(QString::number(length)));
    }
}

QTEST_GUILESS_MAIN(tst_NDKMessage)
#include "tst_NDKMessage.moc"
