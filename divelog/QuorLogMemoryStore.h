#pragma once

#include <QByteArray>
#include <QVector>

// Device memory blocks a log file carries ("B0"/"B1" line pairs).
class QuorLogMemoryStore
{
public:
    struct Block
    {
        int deviceId = 0;
        int memoryId = 0;
        quint32 startAddress = 0;
        QByteArray bytes;
    };

    // A "B0" header line and the "B1" data line after it; false (nothing
    // kept) when they do not have that form.
    bool AddLinePair(const QString &headerLine, const QString &dataLine);
    static bool IsHeaderLine(const QString &line);
    static bool IsDataLine(const QString &line);

    const QVector<Block> &Blocks() const { return m_blocks; }
    // First block of the device, or nullptr.
    const Block *FirstBlockOf(int deviceId) const;
    // The handset's information block: device 0xB0, else 0xBC.
    const Block *HandsetBlock() const;

private:
    QVector<Block> m_blocks;
};
