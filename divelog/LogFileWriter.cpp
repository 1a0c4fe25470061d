#include "LogFileWriter.h"

#include "Crc32Static.h"
#include "LargeBuffer.h"
#include "SRDLDataComp.h"
#include "SRFileHeader.h"
#include "SRMemoryBlock.h"
#include "StandardRecord.h"
#include "StandardRecordFile.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// Large dive data is handled in pieces that stay in the cache between the
// passes over them; a multiple of both block sizes.
constexpr qint64 CachePieceSize = 64 * 1024;

SRFileHeader BuildHeader(const LogFileContent &content)
{
    SRFileHeader header = SRFileHeader::LogForm();
    header.SetCreatorCode(content.creatorCode);
    const QString version = content.creatorVersionText.isEmpty()
        ? QCoreApplication::applicationVersion()
        : content.creatorVersionText;
    header.SetCreatorVersion(SRFileHeader::VersionBytesFromText(version));
    header.SetDateTime(content.created);
    header.SetDeviceVersion(content.deviceVersion);
    if (!content.logBookEntry.isEmpty())
        header.SetLogBookEntry(content.logBookEntry);
    return header;
}

} // namespace

QByteArray LogFileWriter::RecordStream(const LogFileContent &content)
{
    QByteArray stream;
    AppendRecordStream(stream, content);
    return stream;
}

void LogFileWriter::AppendRecordStream(QByteArray &stream, const LogFileContent &content, int extraCapacity)
{
    const SRFileHeader header = BuildHeader(content);
    const SRDLDataUser user = SRDLDataUser::Create(content.userItems);
    const SRDANData dan = SRDANData::Create(content.danItems);

    // Sized once up front: dive data may run to tens of megabytes and is
    // copied exactly once, into its place in the stream.
    qint64 total = StandardRecord::Overhead + header.Size;
    if (content.hasDiveData)
        total += StandardRecord::Overhead + SRDLDataComp::HeaderSize + content.diveData.size();
    if (!content.userItems.isEmpty())
        total += StandardRecord::Overhead + user.Size();
    for (const LogFileMemory &memory : content.memories)
        total += StandardRecord::Overhead + SRMemoryBlock::HeaderSize + memory.data.size();
    if (!content.danItems.isEmpty())
        total += StandardRecord::Overhead + dan.Size();
    LargeBuffer::Reserve(stream, int(stream.size() + total + extraCapacity));

    StandardRecord::Create(RecordType::FileHeader, header.Payload()).AppendTo(stream);
    if (content.hasDiveData) {
        const int blockSize = header.WideBlocks() ? 32 : 16;
        const int start = stream.size();
        const SRDLDataComp seed = SRDLDataComp::Create(QByteArray(), blockSize);
        StandardRecord::AppendU16(stream, RecordType::DiveLogData);
        StandardRecord::AppendU32(stream, quint32(SRDLDataComp::HeaderSize + content.diveData.size()));
        stream.append(seed.Payload());
        // Copied and scrambled in one pass, in pieces small enough for the
        // CRC to find them still in the cache.
        const int dataAt = stream.size();
        stream.resize(dataAt + content.diveData.size());
        quint32 crc = Crc32Static::Compute(stream.constData() + start, dataAt - start);
        for (qint64 done = 0; done < content.diveData.size();) {
            const qint64 piece = std::min<qint64>(CachePieceSize, content.diveData.size() - done);
            char *target = stream.data() + dataAt + done;
            SRDLDataComp::ScrambleBlocks(target, content.diveData.constData() + done, piece,
                                         seed.KeyOffset() + done, blockSize);
            crc = Crc32Static::Update(crc, target, piece);
            done += piece;
        }
        StandardRecord::AppendU32(stream, crc);
    }
    if (!content.userItems.isEmpty())
        StandardRecord::Create(RecordType::DiveLogUser, user.Payload()).AppendTo(stream);
    for (const LogFileMemory &memory : content.memories) {
        const SRMemoryBlock block =
            SRMemoryBlock::Create(memory.deviceId, memory.memoryId, memory.startAddress, memory.data);
        StandardRecord::Create(RecordType::MemoryBlock, block.Payload()).AppendTo(stream);
    }
    if (!content.danItems.isEmpty())
        StandardRecord::Create(RecordType::DanData, dan.Payload()).AppendTo(stream);
}

QStringList LogFileWriter::TextLines(const LogFileContent &content)
{
    // Render through the same loader the program reads files with, so the
    // text form is by construction what a binary file converts to.
    StandardRecordFile file;
    SRFileHeader header;
    bool wide = false;
    QStringList lines;
    file.ConvertBytesToLines(StandardRecordFile::PlainContainer(RecordStream(content)), lines, header, wide,
                             StandardRecordFile::LoadMode::PlainLog);
    return lines;
}

bool LogFileWriter::SealSecured(const LogFileContent &content, QByteArray &sealed, QString *error)
{
    // The stream is built straight into the buffer that is then sealed in
    // place: the dive data is copied once.
    sealed = QByteArray(StandardRecordFile::SecuredPrefixSize, 0);
    AppendRecordStream(sealed, content, StandardRecordFile::SecuredOverhead);
    return StandardRecordFile::SealInPlace(sealed, error);
}

bool LogFileWriter::WriteSecured(const QString &path, const LogFileContent &content, QString *error)
{
    QByteArray buffer;
    if (!SealSecured(content, buffer, error))
        return false;
    StandardRecordFile file;
    if (file.WriteSealed(buffer, path))
        return true;
    if (error)
        *error = file.LastError();
    return false;
}

bool LogFileWriter::WritePlainBinary(const QString &path, const LogFileContent &content, QString *error)
{
    return StandardRecordFile::WriteFileSafely(path, StandardRecordFile::PlainContainer(RecordStream(content)),
                                               error);
}

bool LogFileWriter::WriteText(const QString &path, const LogFileContent &content, QString *error)
{
    return WriteTextLines(path, TextLines(content), error);
}

bool LogFileWriter::WriteTextLines(const QString &path, const QStringList &lines, QString *error)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes.append(line.toLatin1());
        bytes.append('\n');
    }
    return StandardRecordFile::WriteFileSafely(path, bytes, error);
}
