#pragma once

#include "SRDataBlock.h"

#include <QStringList>
#include <QVector>

// Payload of a user dive-log record (type 0x21): tagged items, each
//   tag (1 byte) | length K (u32 BE) | K data bytes
class SRDLDataUser : public SRDataBlock
{
public:
    struct Item {
        quint8 tag = 0;
        QByteArray data;
    };

    SRDLDataUser() = default;
    explicit SRDLDataUser(const QByteArray &payload) : SRDataBlock(payload) {}

    static SRDLDataUser Create(const QVector<Item> &items);

    // False when an item runs past the end of the payload.
    bool Items(QVector<Item> &items) const;
    // One line per item: tag and data as upper-case hex pairs, then the checksum.
    bool Lines(QStringList &lines) const;
};
