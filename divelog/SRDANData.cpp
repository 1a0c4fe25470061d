#include "SRDANData.h"

#include "DeviceList.h"

namespace {
constexpr int ItemHeaderSize = 8; // three id bytes, type, length
}

SRDANData SRDANData::Create(const QVector<Item> &items)
{
    QByteArray payload;
    for (const Item &item : items) {
        const char head[] = {char(item.id[0]), char(item.id[1]), char(item.id[2]), char(item.type)};
        AppendItem(payload, QByteArray(head, int(sizeof head)), item.data);
    }
    return SRDANData(payload);
}

bool SRDANData::Items(QVector<Item> &items) const
{
    items.clear();
    return ForEachItem(ItemHeaderSize, [&items](const char *head, const QByteArray &data) {
        Item item;
        item.id = {quint8(head[0]), quint8(head[1]), quint8(head[2])};
        item.type = quint8(head[3]);
        item.data = data;
        items << item;
    });
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
        // The text form names the field as two decimal digits, the form the
        // log parser reads; a type byte above 99 names no field and is
        // written as "--", which the parser recognises and ignores.
        if (item.type <= MaxFieldNumber) {
            bytes.append(char('0' + item.type / 10));
            bytes.append(char('0' + item.type % 10));
        } else {
            bytes.append("--");
        }
        bytes.append(item.data);
        const QString hex = QString::fromLatin1(bytes.toHex()).toUpper();
        lines << hex + DeviceList::LineChecksum(hex);
    }
    return true;
}
