#include "NDKMessage.h"

#include "ChecksumJob.h"
#include "RemoteSupportConstants.h"

#include <QDebug>
#include <QRandomGenerator>
#include <QtEndian>

namespace {

struct NameRow {
    int value;
    const char *name;
};

const NameRow clientTypeNames[] = {
    {NDKMessage::NDKUndefinedClient, "NDKUndefinedClient"},
    {NDKMessage::NDKEndUserClient, "NDKEndUserClient"},
    {NDKMessage::NDKSupportStaffClient, "NDKSupportStaffClient"},
    {NDKMessage::NDKServer, "NDKServer"},
};

const NameRow messageTypeNames[] = {
    {NDKMessage::NDKClientDisconnect, "NDKClientDisconnect"},
    {NDKMessage::QuorUserJoin, "QuorUserJoin"},
    {NDKMessage::QuorUserQuit, "QuorUserQuit"},
    {NDKMessage::QuorText, "QuorText"},
    {NDKMessage::QuorCmdCommand, "QuorCmdCommand"},
    {NDKMessage::QuorCmdCommandReturnData, "QuorCmdCommandReturnData"},
    {NDKMessage::QuorCmdRead, "QuorCmdRead"},
    {NDKMessage::QuorCmdReadBlocks, "QuorCmdReadBlocks"},
    {NDKMessage::QuorCmdWrite, "QuorCmdWrite"},
    {NDKMessage::QuorCmdWriteAndVerify, "QuorCmdWriteAndVerify"},
    {NDKMessage::QuorCmdIsDevicePresent, "QuorCmdIsDevicePresent"},
    {NDKMessage::QuorResultCommand, "QuorResultCommand"},
    {NDKMessage::QuorResultCommandReturnData, "QuorResultCommandReturnData"},
    {NDKMessage::QuorResultRead, "QuorResultRead"},
    {NDKMessage::QuorResultReadBlocks, "QuorResultReadBlocks"},
    {NDKMessage::QuorResultWrite, "QuorResultWrite"},
    {NDKMessage::QuorResultWriteAndVerify, "QuorResultWriteAndVerify"},
    {NDKMessage::QuorResultIsDevicePresent, "QuorResultIsDevicePresent"},
    {NDKMessage::QuorFileTransfer, "QuorFileTransfer"},
    {NDKMessage::QuorFileReceiveConfirm, "QuorFileReceiveConfirm"},
    {NDKMessage::QuorCmdGetPortDetails, "QuorCmdGetPortDetails"},
    {NDKMessage::QuorResultGetPortDetails, "QuorResultGetPortDetails"},
    {NDKMessage::QuorCmdGetRemoteSupportStatus, "QuorCmdGetRemoteSupportStatus"},
    {NDKMessage::QuorResultGetRemoteSupportStatus, "QuorResultGetRemoteSupportStatus"},
    {NDKMessage::QuorCmdRequestLink, "QuorCmdRequestLink"},
    {NDKMessage::QuorResultRequestLink, "QuorResultRequestLink"},
    {NDKMessage::QuorCmdRequestLogs, "QuorCmdRequestLogs"},
    {NDKMessage::QuorResultRequestLogs, "QuorResultRequestLogs"},
    {NDKMessage::QuorResultRequestLogsInProgress, "QuorResultRequestLogsInProgress"},
    {NDKMessage::QuorCmdEnhancedLogging, "QuorCmdEnhancedLogging"},
    {NDKMessage::QuorNotify, "QuorNotify"},
    {NDKMessage::QuorCmdRequestSafetyStatus, "QuorCmdRequestSafetyStatus"},
    {NDKMessage::QuorResultRequestSafetyStatus, "QuorResultRequestSafetyStatus"},
    {NDKMessage::QuorNull, "QuorNull"},
};

const char *findName(const NameRow *rows, std::size_t count, int value)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (rows[i].value == value)
            return rows[i].name;
    }
    return nullptr;
}

void appendU32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

quint32 readU32(const QByteArray &in, qint64 offset)
{
    return qFromLittleEndian<quint32>(in.constData() + offset);
}

// One character per byte; a character outside Latin-1 becomes byte 0.
QByteArray latin1OrZero(const QString &text)
{
    QByteArray out(text.size(), '\0');
    for (int i = 0; i < text.size(); ++i) {
        const ushort code = text.at(i).unicode();
        out[i] = code > 0xFF ? '\0' : char(code);
    }
    return out;
}

QByteArray keyBytes()
{
    return QByteArray(RemoteSupportConstants::MessageKey, NDKMessage::DigestSize);
}

} // namespace

NDKMessage::NDKMessage()
    : m_clientCode(ClientCodeSize, '\0')
{
}

NDKMessage::NDKMessage(int clientType, int messageType, quint32 msgNumber)
    : m_clientCode(EncodeClientCode(clientType))
    , m_clientType(clientType)
    , m_messageType(messageType)
    , m_msgNumber(msgNumber)
{
}

NDKMessage::~NDKMessage() = default;

void NDKMessage::addItem(const QVariant &value)
{
    m_items.append(value);
}

QVariant NDKMessage::item(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index) : QVariant();
}

void NDKMessage::setItem(int index, const QVariant &value)
{
    if (index >= 0 && index < m_items.size())
        m_items[index] = value;
}

int NDKMessage::clientType() const
{
    switch (m_clientType) {
    case NDKEndUserClient:
    case NDKSupportStaffClient:
    case NDKServer:
        return m_clientType;
    default:
        return NDKUndefinedClient;
    }
}

// ------------------------------------------------------------ client code

QByteArray NDKMessage::EncodeClientCode(int clientType)
{
    quint16 values[ClientCodeSize];
    for (quint16 &value : values)
        value = quint16(QRandomGenerator::global()->bounded(32768));
    return EncodeClientCode(clientType, values);
}

QByteArray NDKMessage::EncodeClientCode(int clientType, const quint16 randomValues[8])
{
    quint8 e[ClientCodeSize];
    for (int i = 0; i < ClientCodeSize; ++i)
        e[i] = quint8(int(randomValues[i]) * 255 / 32767);
    const quint16 w = quint16(((e[3] << 8) | e[4]) ^ ((e[2] << 8) | e[5]) ^ ((e[1] << 8) | e[6])
                              ^ quint16(clientType));
    e[0] = quint8(w >> 8);
    e[7] = quint8(w & 0xFF);
    return QByteArray(reinterpret_cast<const char *>(e), ClientCodeSize);
}

int NDKMessage::DecodeClientType(const QByteArray &clientCode)
{
    if (clientCode.size() < ClientCodeSize)
        return NDKUndefinedClient;
    const auto e = [&clientCode](int i) { return int(quint8(clientCode.at(i))); };
    return ((e(2) << 8) | e(5)) ^ ((e(1) << 8) | e(6)) ^ ((e(3) << 8) | e(4)) ^ ((e(0) << 8) | e(7));
}

// ----------------------------------------------------------------- digest

QByteArray NDKMessage::DigestOf(const QByteArray &bytes)
{
    QByteArray keyed = bytes.left(qMax(0, bytes.size() - DigestSize));
    keyed.append(keyBytes());
    ChecksumJob job(ChecksumJob::Algorithm::Sha2, keyed, 256);
    return ChecksumJob::ResultBytes(job.Run());
}

QByteArray NDKMessage::Reseal(const QByteArray &wire, int clientType)
{
    QByteArray out = wire;
    if (out.size() < RemoteSupportConstants::MinMessageLength)
        return out;
    out.replace(LengthFieldSize, ClientCodeSize, EncodeClientCode(clientType));
    out.replace(out.size() - DigestSize, DigestSize, DigestOf(out));
    return out;
}

// --------------------------------------------------------------- assembly

QByteArray NDKMessage::toByteArray() const
{
    QByteArray body;
    body.append(m_clientCode.left(ClientCodeSize).leftJustified(ClientCodeSize, '\0'));
    body.append(char(quint8(m_version)));
    appendU32(body, m_msgNumber);
    appendU32(body, quint32(m_messageType));
    appendU32(body, quint32(m_items.size()));

    for (const QVariant &value : m_items) {
        switch (value.userType()) {
        case QMetaType::Bool:
            body.append(char(ItemBool));
            body.append(char(value.toBool() ? 1 : 0));
            break;
        case QMetaType::Int:
            body.append(char(ItemInt));
            appendU32(body, quint32(value.toInt()));
            break;
        case QMetaType::UInt:
            body.append(char(ItemUInt));
            appendU32(body, value.toUInt());
            break;
        case QMetaType::QString: {
            const QByteArray text = latin1OrZero(value.toString());
            body.append(char(ItemString));
            appendU32(body, quint32(text.size()));
            body.append(text);
            break;
        }
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            body.append(char(ItemByteArray));
            appendU32(body, quint32(bytes.size()));
            body.append(bytes);
            break;
        }
        default:
            qDebug() << "Unhandled type in byte array assembly";
            break;
        }
    }

    QByteArray wire;
    wire.reserve(LengthFieldSize + body.size() + DigestSize);
    appendU32(wire, quint32(body.size() + LengthFieldSize + DigestSize));
    wire.append(body);
    wire.append(keyBytes());
    const QByteArray digest = DigestOf(wire);
    wire.replace(wire.size() - DigestSize, DigestSize, digest);
    return wire;
}

// --------------------------------------------------------------- decoding

bool NDKMessage::fromByteArray(const QByteArray &bytes)
{
    const qint64 size = bytes.size();
    if (size < RemoteSupportConstants::MinMessageLength)
        return false;

    if (DigestOf(bytes) != bytes.right(DigestSize))
        return false;

    const auto has = [size](qint64 offset, qint64 count) { return offset + count <= size; };

    if (!has(LengthFieldSize, ClientCodeSize))
        return false;
    m_clientCode = bytes.mid(LengthFieldSize, ClientCodeSize);
    m_clientType = DecodeClientType(m_clientCode);
    if (!has(12, 1))
        return false;
    m_version = int(qint8(bytes.at(12)));
    if (!has(13, 4))
        return false;
    m_msgNumber = readU32(bytes, 13);
    if (!has(17, 4))
        return false;
    m_messageType = int(qint32(readU32(bytes, 17)));
    if (!has(21, 4))
        return false;
    const quint32 count = readU32(bytes, 21);

    m_items.clear();
    qint64 offset = HeaderSize;
    for (quint32 n = 0; n < count; ++n) {
        if (offset >= size)
            return false;
        const quint8 type = quint8(bytes.at(int(offset)));
        ++offset;
        switch (type) {
        case ItemString: {
            if (!has(offset, 4)) {
                qDebug() << "Insufficient bytes to determine string length";
                return false;
            }
            const qint64 length = readU32(bytes, offset);
            offset += 4;
            if (!has(offset, length)) {
                qDebug() << "Insufficient bytes for string";
                return false;
            }
            m_items.append(QString::fromLatin1(bytes.constData() + offset, int(length)));
            offset += length;
            break;
        }
        case ItemBool:
            if (!has(offset, 1)) {
                qDebug() << "Insufficient bytes for bool state";
                return false;
            }
            m_items.append(bytes.at(int(offset)) != 0);
            offset += 1;
            break;
        case ItemInt:
            if (!has(offset, 4)) {
                qDebug() << "Insufficient bytes for int";
                return false;
            }
            m_items.append(int(qint32(readU32(bytes, offset))));
            offset += 4;
            break;
        case ItemUInt:
            if (!has(offset, 4)) {
                qDebug() << "Insufficient bytes for unsigned int";
                return false;
            }
            m_items.append(uint(readU32(bytes, offset)));
            offset += 4;
            break;
        case ItemByteArray: {
            if (!has(offset, 4)) {
                qDebug() << "Insufficient bytes to determine byte array length";
                return false;
            }
            const qint64 length = readU32(bytes, offset);
            offset += 4;
            if (!has(offset, length)) {
                qDebug() << "Insufficient bytes for byte array";
                return false;
            }
            m_items.append(bytes.mid(int(offset), int(length)));
            offset += length;
            break;
        }
        case ItemUChar:
            if (!has(offset, 1)) {
                qDebug() << "Insufficient bytes for unsigned char";
                return false;
            }
            m_items.append(int(quint8(bytes.at(int(offset)))));
            offset += 1;
            break;
        default:
            // The next byte is taken as the next item's type.
            qDebug() << "Unhandled type in byte array decoding";
            break;
        }
    }
    return true;
}

// ------------------------------------------------------------------- text

QString NDKMessage::ToLatin1Text(const QString &text)
{
    QString out;
    out.reserve(text.size());
    // By code point, so a character beyond the 16-bit range (two UTF-16
    // units) becomes one '?'.
    for (const uint code : text.toUcs4())
        out += code == 0 || code > 0xFF ? QLatin1Char('?') : QChar(code);
    return out;
}

QString NDKMessage::ShownText(const QString &received)
{
    QString out = received;
    out.replace(QChar(0), QLatin1Char('?'));
    return out;
}

// ------------------------------------------------------------------ names

QString NDKMessage::ClientTypeName(int clientType)
{
    const char *name = findName(clientTypeNames, std::size(clientTypeNames), clientType);
    return name ? QString::fromLatin1(name) : QStringLiteral("Undefined");
}

QString NDKMessage::MessageTypeName(int messageType)
{
    const char *name = findName(messageTypeNames, std::size(messageTypeNames), messageType);
    return name ? QString::fromLatin1(name) : QString();
}

QString NDKMessage::HeaderDump(const QByteArray &wire)
{
    return QString::fromLatin1(wire.left(HeaderSize).toHex(' ').toUpper());
}
