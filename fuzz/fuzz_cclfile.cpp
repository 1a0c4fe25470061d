// .ccl files as a user opens them: any bytes, written to a file named
// *.ccl, go through the loader's file entry (format check, whole-file
// check, conversion of binary and secured containers, reading of text
// files, line checks). A load that succeeds has only lines that pass their
// check.
#include "CclFileLoader.h"
#include "DeviceList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

// Files go to memory-backed storage where there is one, so the fuzzer
// measures the loader rather than the disk.
QString FilePath()
{
    static std::unique_ptr<QTemporaryDir> dir;
    if (!dir) {
        const QString shm = QStringLiteral("/dev/shm");
        dir = std::make_unique<QTemporaryDir>(
            (QDir(shm).exists() ? shm : QDir::tempPath()) + QStringLiteral("/fuzz_cclfile-XXXXXX"));
        if (!dir->isValid())
            __builtin_trap();
    }
    return dir->filePath(QStringLiteral("dive.ccl"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    const QString path = FilePath();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            __builtin_trap();
    }

    CclFileLoader loader;
    const CclFileLoader::Result result = loader.Load(path);
    if (result == CclFileLoader::Ok) {
        if (!loader.ErrorText().isEmpty())
            __builtin_trap();
        for (const QString &line : loader.Lines()) {
            if (CclFileLoader::IsDataLine(line) && !DeviceList::LineCheck(line))
                __builtin_trap(); // a loaded file holds no line that fails its check
        }
    } else if (loader.ErrorText().isEmpty()) {
        __builtin_trap(); // every failure says why
    }
    return 0;
}
