#include "SRDANData.h"

#include "DeviceList.h"
#include "StandardRecord.h"

namespace {
constexpr int ItemHeaderSize = 8; // three id bytes, type, length
}

SRDANData SRDANData::Create(const QVector<Item> &items)
{
    QByteArray payload;
    for (const Item &item : items) {
        for (quint8 b : item.id)
            payload.append(char(b));
        payload.append(char(item.type));
        StandardRecord::AppendU32(payload, quint32(item.data.size()));
        payload.append(item.data);
    }
    return SRDANData(payload);
}

bool SRDANData::Items(QVector<Item> &items) const
{
    items.clear();
    const qint64 size = m_payload.size();
    qint64 p = 0;
    while (p < size) {
        if (size - p < ItemHeaderSize)
            return false;
        const char *at = m_payload.constData() + p;
        const quint32 length = StandardRecord::ReadU32(at + 4);
        if (qint64(length) > size - p - ItemHeaderSize)
            return false;
        Item item;
        item.id = {quint8(at[0]), quint8(at[1]), quint8(at[2])};
        item.type = quint8(at[3]);
        item.data = QByteArray(at + ItemHeaderSize, int(length));
        items << item;
        p += ItemHeaderSize + qint64(length);
    }
    return true;
}

bool SRDANData::Lines(QStringList &lines) const
{
    QVector<Item> items;
    if (!Items(items))
        return false;
    for (const Item &item : items) {
        QByteArray bytes;
        bytes.append(char(0xD0));
        for (quint8 b : item.id)
            bytes.append(char(b));
        bytes.append(char(item.type));
        bytes.append(item.data);
        const QString hex = QString::fromLatin1(bytes.toHex()).toUpper();
        lines << hex + DeviceList::LineChecksum(hex);
    }
    return true;
}
