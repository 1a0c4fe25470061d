#include "LargeBuffer.h"

#include <cstdint>

#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#include <unistd.h>
#endif

void LargeBuffer::Reserve(QByteArray &bytes, int capacity)
{
    if (capacity <= bytes.capacity())
        return;
    const int used = bytes.size();
    bytes.reserve(capacity);
    AdviseHugePages(bytes.data() + used, std::size_t(capacity - used));
}

void LargeBuffer::AdviseHugePages(void *data, std::size_t length)
{
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    if (length < std::size_t(HugePageThreshold))
        return;
    const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const auto start = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + length) & ~(page - 1);
    if (end > start) {
        // A refusal (no huge pages on this system) leaves ordinary pages.
        (void)madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
    }
#else
    (void)data;
    (void)length;
#endif
}
