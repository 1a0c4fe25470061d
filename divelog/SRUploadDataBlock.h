#pragma once

#include "SRDataBlock.h"

#include <QStringList>

// Payload of an upload data record (type 0x31): the update's text lines
// (block titles and hex records), encoded as
//   line count N (u32 BE) | N times: length K (u16 BE) | K Latin-1 characters
class SRUploadDataBlock : public SRDataBlock
{
public:
    SRUploadDataBlock() = default;
    explicit SRUploadDataBlock(const QByteArray &payload) : SRDataBlock(payload) {}

    // Lines longer than 65535 characters are refused (false).
    static bool Create(const QStringList &lines, SRUploadDataBlock &block);

    // False when the payload does not decode: a count or length that runs
    // past the end, or bytes left over after the last line.
    bool Lines(QStringList &lines) const;
};
