#pragma once

#include "SRDataBlock.h"

#include <QStringList>
#include <QVector>
#include <array>

// Payload of a DAN data record (type 0x22): items, each
//   three identification bytes | type byte | length K (u32 BE) | K data bytes
// The identification bytes are the DAN DL7 segment ("ZPD"), the type byte the
// field number within it and the data the field's text.
class SRDANData : public SRDataBlock
{
public:
    // Largest field number the text form's two digits can carry.
    static constexpr quint8 MaxFieldNumber = 99;

    struct Item {
        std::array<quint8, 3> id{};
        quint8 type = 0;
        QByteArray data;
    };

    SRDANData() = default;
    explicit SRDANData(const QByteArray &payload) : SRDataBlock(payload) {}

    static SRDANData Create(const QVector<Item> &items);

    // False when an item runs past the end of the payload.
    bool Items(QVector<Item> &items) const;
    // One line per item: "D0", the id bytes, the field number as two ASCII
    // decimal digits ("--" above 99) and the data, as upper-case hex pairs,
    // then the checksum.
    bool Lines(QStringList &lines) const;
};
