#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QtGlobal>

// One remote-support message: a header (client code, version, message number,
// message type), a list of typed values, and a keyed SHA-256 digest that
// authenticates the whole.
//
// Wire form (little-endian):
//   0   4  total length L, these four bytes and the digest included
//   4   8  client code (the client type hidden among random bytes)
//   12  1  version
//   13  4  message number
//   17  4  message type (signed)
//   21  4  item count n
//   25  .. n items: a type byte, then the value
//   L-32 32 digest: SHA-256 of the message with the digest replaced by the key
//
// Decoding never trusts a count or a length: every read is checked against
// the buffer first, and a failure ends the decoding with false.
class NDKMessage
{
public:
    enum ClientType {
        NDKUndefinedClient = 0,
        NDKEndUserClient = 10129,
        NDKSupportStaffClient = 18065,
        NDKServer = 37122,
    };

    enum MessageType {
        NDKClientDisconnect = -4,
        QuorUserJoin = 0,
        QuorUserQuit = 1,
        QuorText = 2,
        QuorCmdCommand = 3,
        QuorCmdCommandReturnData = 4,
        QuorCmdRead = 5,
        QuorCmdReadBlocks = 6,
        QuorCmdWrite = 7,
        QuorCmdWriteAndVerify = 8,
        QuorCmdIsDevicePresent = 9,
        QuorResultCommand = 10,
        QuorResultCommandReturnData = 11,
        QuorResultRead = 12,
        QuorResultReadBlocks = 13,
        QuorResultWrite = 14,
        QuorResultWriteAndVerify = 15,
        QuorResultIsDevicePresent = 16,
        QuorFileTransfer = 17,
        QuorFileReceiveConfirm = 18,
        QuorCmdGetPortDetails = 19,
        QuorResultGetPortDetails = 20,
        QuorCmdGetRemoteSupportStatus = 21,
        QuorResultGetRemoteSupportStatus = 22,
        QuorCmdRequestLink = 23,
        QuorResultRequestLink = 24,
        QuorCmdRequestLogs = 25,
        QuorResultRequestLogs = 26,
        QuorResultRequestLogsInProgress = 27,
        QuorCmdEnhancedLogging = 28,
        QuorNotify = 29,
        QuorCmdRequestSafetyStatus = 30,
        QuorResultRequestSafetyStatus = 31,
        QuorNull = 255,
    };

    // Item type bytes.
    enum ItemType : quint8 {
        ItemString = 0,
        ItemBool = 1,
        ItemInt = 2,
        ItemUInt = 3,
        ItemByteArray = 4,
        ItemUChar = 5, // accepted when reading, never written
    };

    static constexpr int LengthFieldSize = 4;
    static constexpr int ClientCodeSize = 8;
    static constexpr int HeaderSize = 25; // length field up to and including the item count
    static constexpr int DigestSize = 32;
    static constexpr int EmptyMessageSize = HeaderSize + DigestSize; // 57
    static constexpr int CurrentVersion = 1;

    // Empty: client type 0, version 1, no items, client code all zero.
    NDKMessage();
    // Draws a fresh client code for the client type.
    NDKMessage(int clientType, int messageType, quint32 msgNumber);
    NDKMessage(const NDKMessage &) = default;
    NDKMessage &operator=(const NDKMessage &) = default;
    virtual ~NDKMessage();

    // --- Items ---
    void addItem(const QVariant &value);
    // The value, or an invalid QVariant when index is out of range.
    QVariant item(int index) const;
    // Replaces the value when index is in range; otherwise nothing.
    void setItem(int index, const QVariant &value);
    int itemCount() const { return int(m_items.size()); }
    const QVariantList &items() const { return m_items; }

    // --- Header ---
    // One of the four known client types, or 0 for any other value.
    int clientType() const;
    int messageType() const { return m_messageType; }
    quint32 msgNumber() const { return m_msgNumber; }
    int version() const { return m_version; }
    QByteArray clientCode() const { return m_clientCode; }

    // --- Wire form ---
    QByteArray toByteArray() const;
    // Fills the message from a received wire form; false when it does not
    // decode (the message may then be partly filled).
    bool fromByteArray(const QByteArray &bytes);

    // --- Text for string items ---
    // String items carry one Latin-1 byte per character, and a character
    // outside Latin-1 goes out as byte 0, which the other side cannot show.
    // Text a person typed is passed through this first: every character
    // outside Latin-1 (and a 0 character) becomes '?', so both ends see
    // the same text.
    static QString ToLatin1Text(const QString &text);
    // A received text as it can be shown: 0 bytes (characters the sender
    // could not encode) become '?'.
    static QString ShownText(const QString &received);

    // --- Names for traces ---
    QString clientTypeName() const { return ClientTypeName(clientType()); }
    QString messageTypeName() const { return MessageTypeName(m_messageType); }
    // The header bytes of this message's wire form as two-digit hex numbers.
    QString headerDump() const { return HeaderDump(toByteArray()); }

    static QString ClientTypeName(int clientType);
    // Empty for a value outside the table.
    static QString MessageTypeName(int messageType);
    // The first HeaderSize bytes of a wire form, "0A 00 ...".
    static QString HeaderDump(const QByteArray &wire);

    // --- Client code ---
    // Eight bytes that hide the client type, drawn from the process-wide
    // random generator or from eight given values 0..32767.
    static QByteArray EncodeClientCode(int clientType);
    static QByteArray EncodeClientCode(int clientType, const quint16 randomValues[8]);
    static int DecodeClientType(const QByteArray &clientCode);

    // --- Digest ---
    // SHA-256 of bytes with their last DigestSize bytes replaced by the key.
    static QByteArray DigestOf(const QByteArray &bytes);

    // The same wire form issued by another client: a fresh client code for
    // clientType and the digest over the result; everything else (version,
    // number, type, items of any kind, bytes after the last item) byte for
    // byte as given. For a relay that passes messages on; wire is a whole
    // message that decoded (shorter than the smallest message: returned as is).
    static QByteArray Reseal(const QByteArray &wire, int clientType);

private:
    QByteArray m_clientCode;
    int m_clientType = NDKUndefinedClient;
    int m_messageType = 0;
    int m_version = CurrentVersion;
    quint32 m_msgNumber = 0;
    QVariantList m_items;
};
