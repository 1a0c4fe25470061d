// Feeds arbitrary bytes to everything that reads a container file: the format
// check, the whole-file checks and the load in every mode, and - wrapped so
// that the whole-file checks pass - the record walk, descrambling and the
// conversion to text-form lines. Also the payload decoders and the line checks.
#include "CclFileLoader.h"
#include "SRDANData.h"
#include "SRDLDataComp.h"
#include "SRDLDataUser.h"
#include "SRMemoryBlock.h"
#include "SRUploadDataBlock.h"
#include "StandardRecordFile.h"

#include <cstddef>
#include <cstdint>

namespace {

void LoadEveryMode(const QByteArray &bytes)
{
    for (auto mode : {StandardRecordFile::LoadMode::PlainLog, StandardRecordFile::LoadMode::SecuredUpload,
                      StandardRecordFile::LoadMode::SecuredLog}) {
        StandardRecordFile file;
        SRFileHeader header;
        QStringList lines;
        bool wide = false;
        if (file.ConvertBytesToLines(bytes, lines, header, wide, mode)) {
            CclFileLoader loader;
            loader.CheckLines(QStringLiteral("fuzz.ccl"), lines);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));

    QString message;
    StandardRecordFile::CheckFormatOfBytes(bytes, &message);
    StandardRecordFile checks;
    checks.CheckCRC32OfBytes(bytes);
    checks.CheckSHA256OfBytes(bytes);
    LoadEveryMode(bytes);

    // The input as a record stream, inside containers whose checks pass.
    LoadEveryMode(StandardRecordFile::PlainContainer(bytes));
    LoadEveryMode(StandardRecordFile::SecuredContainer(bytes, QByteArray(16, '\x5A')));

    // Payload decoders on their own.
    QStringList lines;
    SRUploadDataBlock(bytes).Lines(lines);
    SRDLDataUser(bytes).Lines(lines);
    SRDANData(bytes).Lines(lines);
    SRMemoryBlock block(bytes);
    if (block.Descramble())
        lines << block.HeaderLine() << block.DataLine();
    SRDLDataComp dive(bytes);
    if (dive.Descramble(32))
        lines << dive.DataLines(32);
    const SRFileHeader header(bytes);
    lines << header.CreatorLine() << header.DateLine() << header.TimeLine() << header.DeviceVersionText();
    QByteArray entry;
    header.LogBookEntry(entry);

    // Text form line checks.
    CclFileLoader loader;
    loader.CheckLines(QStringLiteral("fuzz.ccl"), QString::fromLatin1(bytes).split(QLatin1Char('\n')));
    return 0;
}
