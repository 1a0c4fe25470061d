#include "ByteAppendDevice.h"

#include <cstring>
#include <limits>

bool ByteAppendDevice::open(OpenMode mode)
{
    if (isOpen() || (mode & ReadOnly))
        return false;
    m_used = m_bytes->size();
    // Whatever the array has reserved becomes room to write into.
    m_capacity = qMax(m_used, int(m_bytes->capacity()));
    m_bytes->resize(m_capacity);
    m_data = m_bytes->data();
    return QIODevice::open(mode);
}

qint64 ByteAppendDevice::writeData(const char *data, qint64 length)
{
    if (length < 0 || (length > m_capacity - m_used && !Grow(length)))
        return -1;
    std::memcpy(m_data + m_used, data, size_t(length));
    m_used += int(length);
    return length;
}

bool ByteAppendDevice::Grow(qint64 length)
{
    // A QByteArray holds at most INT_MAX bytes.
    constexpr qint64 MaxSize = std::numeric_limits<int>::max() - 1;
    if (length > MaxSize - m_used)
        return false;
    m_capacity = int(qMin(MaxSize, qMax<qint64>(m_used + length, qint64(m_capacity) * 2)));
    m_bytes->resize(m_capacity);
    m_data = m_bytes->data();
    return true;
}

void ByteAppendDevice::close()
{
    if (isOpen()) {
        m_bytes->resize(m_used);
        m_data = nullptr;
        m_capacity = 0;
    }
    QIODevice::close();
}
