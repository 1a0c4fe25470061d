#pragma once

#include <QByteArray>
#include <cstddef>

// Room for buffers of megabytes: container files, UDDF documents, a long
// dive's samples. Such a buffer is fresh memory, and each 4 KiB page of it
// costs a page fault on first touch; on a virtual machine those faults
// together cost more than the AES over the same bytes. Where the system
// offers transparent huge pages, the buffer asks for them, which takes the
// faults from thousands to a handful. Elsewhere this is a plain reserve.
class LargeBuffer
{
public:
    // Below this, a buffer is not worth a system call.
    static constexpr qint64 HugePageThreshold = 2 * 1024 * 1024;

    // Makes room for `capacity` bytes in `bytes`, keeping its content, and asks
    // for huge pages behind the part not yet written. Throws std::bad_alloc
    // like QByteArray::reserve when the memory is not there.
    static void Reserve(QByteArray &bytes, int capacity);

    // Asks for huge pages behind the whole pages of [data, data + length).
    // Only a hint: memory already touched keeps the pages it has.
    static void AdviseHugePages(void *data, std::size_t length);
};
