#include "ByteAppendDevice.h"

#include <limits>

qint64 ByteAppendDevice::writeData(const char *data, qint64 length)
{
    // A QByteArray holds at most INT_MAX bytes.
    if (length < 0 || length > std::numeric_limits<int>::max() - m_bytes->size())
        return -1;
    m_bytes->append(data, int(length));
    return length;
}
