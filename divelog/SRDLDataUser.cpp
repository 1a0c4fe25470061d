#include "SRDLDataUser.h"

#include "DeviceList.h"

namespace {
constexpr int ItemHeaderSize = 5; // tag, length
}

SRDLDataUser SRDLDataUser::Create(const QVector<Item> &items)
{
    QByteArray payload;
    for (const Item &item : items)
        AppendItem(payload, QByteArray(1, char(item.tag)), item.data);
    return SRDLDataUser(payload);
}

bool SRDLDataUser::Items(QVector<Item> &items) const
{
    items.clear();
    return ForEachItem(ItemHeaderSize, [&items](const char *head, const QByteArray &data) {
        Item item;
        item.tag = quint8(head[0]);
        item.data = data;
        items << item;
    });
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
