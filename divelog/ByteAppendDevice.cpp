#include "ByteAppendDevice.h"

#include <cstring>
#include <limits>

qint64 ByteAppendDevice::writeData(const char *data, qint64 length)
{
    // A QByteArray holds at most INT_MAX bytes.
    constexpr qint64 MaxSize = std::numeric_limits<int>::max();
    if (length < 0 || length > MaxSize - m_used)
        return -1;
    const int needed = m_used + int(length);
    if (needed > m_bytes->size())
        m_bytes->resize(int(qMin(MaxSize, qMax<qint64>(needed, qint64(m_bytes->size()) * 2))));
    std::memcpy(m_bytes->data() + m_used, data, size_t(length));
    m_used = needed;
    return length;
}

bool ByteAppendDevice::open(OpenMode mode)
{
    if (isOpen() || (mode & ReadOnly))
        return false;
    m_used = m_bytes->size();
    return QIODevice::open(mode);
}

void ByteAppendDevice::close()
{
    if (isOpen())
        m_bytes->resize(m_used);
    QIODevice::close();
}
