#include "SRDLDataUser.h"

#include "DeviceList.h"
#include "StandardRecord.h"

namespace {
constexpr int ItemHeaderSize = 5; // tag, length
}

SRDLDataUser SRDLDataUser::Create(const QVector<Item> &items)
{
    QByteArray payload;
    for (const Item &item : items) {
        payload.append(char(item.tag));
        StandardRecord::AppendU32(payload, quint32(item.data.size()));
        payload.append(item.data);
    }
    return SRDLDataUser(payload);
}

bool SRDLDataUser::Items(QVector<Item> &items) const
{
    items.clear();
    const qint64 size = m_payload.size();
    qint64 p = 0;
    while (p < size) {
        if (size - p < ItemHeaderSize)
            return false;
        const char *at = m_payload.constData() + p;
        const quint32 length = StandardRecord::ReadU32(at + 1);
        if (qint64(length) > size - p - ItemHeaderSize)
            return false;
        Item item;
        item.tag = quint8(at[0]);
        item.data = QByteArray(at + ItemHeaderSize, int(length));
        items << item;
        p += ItemHeaderSize + qint64(length);
    }
    return true;
}

bool SRDLDataUser::Lines(QStringList &lines) const
{
    QVector<Item> items;
    if (!Items(items))
        return false;
    for (const Item &item : items) {
        const QString hex = DeviceList::HexText(item.tag, 2)
            + QString::fromLatin1(item.data.toHex()).toUpper();
        lines << hex + DeviceList::LineChecksum(hex);
    }
    return true;
}
