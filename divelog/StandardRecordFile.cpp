#include "StandardRecordFile.h"

#include "ContainerKeys.h"
#include "Crc32Static.h"
#include "LargeBuffer.h"
#include "SRDANData.h"
#include "SRDLDataComp.h"
#include "SRDLDataUser.h"
#include "SRMemoryBlock.h"
#include "Sha2Digest.h"

#include <QFile>
#include <QSaveFile>

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>

namespace {

constexpr int IvSize = 16;
constexpr int AesBlockSize = 16;
constexpr int MagicSize = 4;
constexpr int SealSize = 32;
constexpr int NarrowBlockSize = 16;
constexpr int WideBlockSize = 32;
// Large payloads are handled in pieces that stay in the cache between the
// passes over them; a multiple of both block sizes.
constexpr qint64 CachePieceSize = 64 * 1024;

// Largest file we can hold in one buffer.
constexpr qint64 MaxFileSize = std::numeric_limits<int>::max() - 64;

QString tooSmallForHeader()
{
    return QStringLiteral("File to small, at least six bytes required for record header");
}

struct CipherContextDeleter {
    void operator()(EVP_CIPHER_CTX *ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextDeleter>;

// AES-256-CBC over whole blocks, in place; padding is handled by the caller.
bool AesCbcInPlace(char *data, int length, const char *iv, bool encrypt)
{
    if (length <= 0 || length % AesBlockSize != 0)
        return false;
    CipherContext ctx(EVP_CIPHER_CTX_new());
    if (!ctx)
        return false;
    const auto *key = ContainerKeys::ContainerKey.data();
    const auto *ivBytes = reinterpret_cast<const unsigned char *>(iv);
    if (EVP_CipherInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, key, ivBytes, encrypt ? 1 : 0) != 1)
        return false;
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    auto *bytes = reinterpret_cast<unsigned char *>(data);
    int outLength = 0;
    if (EVP_CipherUpdate(ctx.get(), bytes, &outLength, bytes, length) != 1 || outLength != length)
        return false;
    int finalLength = 0;
    return EVP_CipherFinal_ex(ctx.get(), bytes + outLength, &finalLength) == 1 && finalLength == 0;
}

// The digest of the file with the seal key where the seal goes; empty when
// OpenSSL fails.
QByteArray Seal(const char *data, qint64 lengthWithoutSeal)
{
    Sha2Digest digest;
    digest.Add(data, lengthWithoutSeal);
    digest.Add(reinterpret_cast<const char *>(ContainerKeys::SealKey.data()), SealSize);
    return digest.Result();
}

} // namespace

bool StandardRecordFile::Fail(const QString &text)
{
    m_lastError = text;
    return false;
}

LogFileFormat StandardRecordFile::CheckFormatOfBytes(const QByteArray &firstBytes, QString *message)
{
    if (firstBytes.size() < 3) {
        if (message)
            *message = QStringLiteral("File to small, at least two bytes required for format check");
        return LogFileFormat::Invalid;
    }
    const auto b = [&](int i) { return quint8(firstBytes.at(i)); };
    if (b(0) == 0x00 && b(1) == 0x00)
        return LogFileFormat::Binary;
    if (b(0) == ContainerKeys::SecuredMagic[0] && b(1) == ContainerKeys::SecuredMagic[1]
        && b(2) == ContainerKeys::SecuredMagic[2])
        return LogFileFormat::Secured;
    return LogFileFormat::Text;
}

LogFileFormat StandardRecordFile::CheckFormat(const QString &path, QString *message)
{
    QFile file(path);
    if (!OpenWithRetries(file, QIODevice::ReadOnly)) {
        if (message)
            *message = QStringLiteral("Unable to open source file");
        return LogFileFormat::Invalid;
    }
    return CheckFormatOfBytes(file.read(3), message);
}

bool StandardRecordFile::OpenWithRetries(QFile &file, QIODevice::OpenMode mode)
{
    for (int attempt = 0; attempt < OpenAttempts; ++attempt) {
        if (file.open(mode))
            return true;
    }
    return false;
}

bool StandardRecordFile::ReadFileBytes(const QString &path, QByteArray &bytes, const QString &openFailure,
                                       QString *error)
{
    auto fail = [&](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    QFile file(path);
    if (!OpenWithRetries(file))
        return fail(openFailure);
    const qint64 size = file.size();
    if (size > MaxFileSize)
        return fail(QStringLiteral("Unable to allocate memory"));
    try {
        bytes = QByteArray();
        LargeBuffer::Reserve(bytes, int(size));
        bytes.resize(int(size));
    } catch (const std::bad_alloc &) {
        bytes.clear();
        return fail(QStringLiteral("Unable to allocate memory"));
    }
    qint64 done = 0;
    while (done < size) {
        const qint64 got = file.read(bytes.data() + done, size - done);
        if (got <= 0)
            break;
        done += got;
    }
    if (done != size)
        return fail(QStringLiteral("Unable to read full file contents"));
    return true;
}

bool StandardRecordFile::ReadWholeFile(const QString &path, QByteArray &bytes, const QString &openFailure)
{
    QString error;
    if (!ReadFileBytes(path, bytes, openFailure, &error))
        return Fail(error);
    return true;
}

bool StandardRecordFile::CheckCRC32OfBytes(const QByteArray &fileBytes)
{
    if (fileBytes.size() < 4)
        return Fail(QStringLiteral("crc32 mismatch"));
    const qint64 n = fileBytes.size() - 4;
    const quint32 stored = StandardRecord::ReadU32(fileBytes.constData() + n);
    // A stored CRC of zero means "not given" to this check alone.
    if (stored == 0)
        return true;
    if (Crc32Static::Compute(fileBytes.constData(), n) != stored)
        return Fail(QStringLiteral("crc32 mismatch"));
    return true;
}

bool StandardRecordFile::CheckCRC32(const QString &path)
{
    QByteArray bytes;
    if (!ReadWholeFile(path, bytes, QStringLiteral("CheckCRC32 Unable to open source file")))
        return false;
    return CheckCRC32OfBytes(bytes);
}

bool StandardRecordFile::CheckSHA256OfBytes(const QByteArray &fileBytes)
{
    if (fileBytes.size() < SealSize)
        return Fail(QStringLiteral("SHA256 mismatch"));
    const qint64 n = fileBytes.size() - SealSize;
    const QByteArray digest = Seal(fileBytes.constData(), n);
    if (digest.size() != SealSize)
        return Fail(QStringLiteral("Unable to compute the SHA256 digest"));
    if (std::memcmp(digest.constData(), fileBytes.constData() + n, SealSize) != 0)
        return Fail(QStringLiteral("SHA256 mismatch"));
    return true;
}

bool StandardRecordFile::CheckSHA256(const QString &path)
{
    QByteArray bytes;
    if (!ReadWholeFile(path, bytes, QStringLiteral("CheckSHA256 Unable to open source file")))
        return false;
    return CheckSHA256OfBytes(bytes);
}

bool StandardRecordFile::Load(const QString &path, SRFileHeader &header, LoadMode mode)
{
    m_records.clear();
    m_wideBlocks = false;
    m_creatorIsDepot = false;
    m_lastError.clear();
    // The file is read once; the integrity check runs on the bytes that are
    // then loaded, so the file cannot change between check and load.
    const bool secured = mode != LoadMode::PlainLog;
    QByteArray bytes;
    const QString openFailure = secured ? QStringLiteral("CheckSHA256 Unable to open source file")
                                        : QStringLiteral("CheckCRC32 Unable to open source file");
    if (!ReadWholeFile(path, bytes, openFailure)) {
        return Fail((secured ? QStringLiteral("Secured file load initial SHA256 check failed - ")
                             : QStringLiteral("Binary file load inital CRC32 check failed - "))
                    + m_lastError);
    }
    return LoadFromBytes(std::move(bytes), header, mode);
}

bool StandardRecordFile::LoadFromBytes(QByteArray fileBytes, SRFileHeader &header, LoadMode mode)
{
    m_records.clear();
    m_wideBlocks = false;
    m_creatorIsDepot = false;
    m_lastError.clear();
    // Fewer bytes cannot hold a record header.
    constexpr qint64 MinimumStream = 7;

    // The record stream plus its CRC lies at [base, base + plainLength) of
    // fileBytes; a secured file is decrypted there in place.
    int base = 0;
    qint64 plainLength = 0;
    switch (mode) {
    case LoadMode::SecuredUpload:
    case LoadMode::SecuredLog: {
        if (!CheckSHA256OfBytes(fileBytes))
            return Fail(QStringLiteral("Secured file load initial SHA256 check failed - ") + m_lastError);
        const qint64 cipherLength = qint64(fileBytes.size()) - SecuredPrefixSize - SealSize;
        if (cipherLength <= 0 || cipherLength % AesBlockSize != 0)
            return Fail(QStringLiteral("Standard Records Checksum failure"));
        char *cipher = fileBytes.data() + SecuredPrefixSize; // ours now (a shared buffer is copied once)
        const QByteArray iv(fileBytes.constData() + MagicSize, IvSize);
        if (!AesCbcInPlace(cipher, int(cipherLength), iv.constData(), false))
            return Fail(QStringLiteral("Standard Records Checksum failure"));
        base = SecuredPrefixSize;
        plainLength = cipherLength;
        const int pad = quint8(cipher[plainLength - 1]);
        if (pad >= 1 && pad <= AesBlockSize)
            plainLength -= pad;
        break;
    }
    case LoadMode::PlainLog:
        if (!CheckCRC32OfBytes(fileBytes))
            return Fail(QStringLiteral("Binary file load inital CRC32 check failed - ") + m_lastError);
        plainLength = fileBytes.size();
        break;
    default:
        return Fail(QStringLiteral("Unknown load mode"));
    }

    const char *plain = fileBytes.constData() + base;
    if (plainLength < 4)
        return Fail(QStringLiteral("Standard Records Checksum failure"));
    const qint64 n = plainLength - 4;

    // Walk the stream, noting where each record lies and whether its CRC
    // holds. Every length is checked against the bytes really present before
    // it is used, so a hostile length field cannot make us allocate or read
    // beyond the file. The stream's own CRC is put together from the
    // records' CRCs, so that a large file is read once for both; only a
    // stream the walk cannot cover is read a second time for it.
    struct Found {
        int offset;
        bool valid;
    };
    QVector<Found> found;
    auto keepFound = [&] {
        // Records share the file's buffer; nothing is copied.
        m_records.reserve(found.size());
        for (const Found &f : qAsConst(found))
            m_records.append(StandardRecord::InBuffer(fileBytes, base + f.offset, f.valid));
    };
    QString walkError;
    quint32 walkedCrc = 0;
    qint64 p = 0;
    while (n >= MinimumStream && p < n) {
        const qint64 remaining = n - p;
        if (remaining <= StandardRecord::HeaderSize) {
            walkError = tooSmallForHeader();
            break;
        }
        const quint32 length = StandardRecord::ReadU32(plain + p + 2);
        if (p + StandardRecord::Overhead + qint64(length) > n) {
            walkError = QStringLiteral("File to small, insufficient data for a standard record plus checksum");
            break;
        }
        const qint64 crcAt = p + StandardRecord::HeaderSize + qint64(length);
        const quint32 crc = Crc32Static::Compute(plain + p, crcAt - p);
        const bool valid = crc == StandardRecord::ReadU32(plain + crcAt);
        if (!valid)
            m_lastError = QStringLiteral("Invalid record, continuing");
        found.append({int(p), valid});
        walkedCrc = Crc32Static::Combine(walkedCrc, Crc32Static::Update(crc, plain + crcAt, 4),
                                         StandardRecord::Overhead + qint64(length));
        p = crcAt + 4;
    }
    const bool walkedAll = n >= MinimumStream && walkError.isEmpty();
    const quint32 streamCrc = walkedAll ? walkedCrc : Crc32Static::Compute(plain, n);
    if (streamCrc != StandardRecord::ReadU32(plain + n)) {
        m_records.clear();
        return Fail(QStringLiteral("Standard Records Checksum failure"));
    }
    if (n < MinimumStream)
        return Fail(tooSmallForHeader());
    if (!walkError.isEmpty()) {
        keepFound();
        return Fail(walkError);
    }

    auto typeAt = [&](const Found &f) { return StandardRecord::ReadU16(plain + f.offset); };
    auto lengthAt = [&](const Found &f) { return StandardRecord::ReadU32(plain + f.offset + 2); };
    auto payloadAt = [&](const Found &f, int size) {
        return QByteArray(plain + f.offset + StandardRecord::HeaderSize, size);
    };

    if (mode == LoadMode::SecuredUpload) {
        bool haveHeader = false;
        for (const Found &f : qAsConst(found)) {
            if (typeAt(f) == RecordType::FileHeader) {
                header.SetPayload(payloadAt(f, int(lengthAt(f))));
                haveHeader = true;
            }
        }
        keepFound();
        if (!haveHeader)
            return Fail(QStringLiteral("Unable to locate the file header record"));
        return true;
    }

    // The first intact header decides how the payloads were scrambled; a
    // file whose only header is damaged still says more than none.
    const Found *headerRecord = nullptr;
    for (const Found &f : qAsConst(found)) {
        if (typeAt(f) != RecordType::FileHeader)
            continue;
        if (f.valid) {
            headerRecord = &f;
            break;
        }
        if (!headerRecord)
            headerRecord = &f;
    }
    if (headerRecord) {
        header.SetPayload(payloadAt(*headerRecord, int(lengthAt(*headerRecord))));
        m_wideBlocks = header.WideBlocks();
        m_creatorIsDepot = header.CreatorCode() == ContainerCreator::Depot;
    }

    // Descramble in the buffer, before any record shares it, and store each
    // changed record's new CRC in its place. A record with a bad CRC is
    // descrambled too (one damaged byte must not cost a whole dive); it keeps
    // its invalid flag, so whoever converts it can say so.
    char *stream = fileBytes.data() + base; // may detach: read from here on
    plain = stream;
    const int diveBlockSize = m_wideBlocks ? WideBlockSize : NarrowBlockSize;
    for (const Found &f : qAsConst(found)) {
        const quint16 type = typeAt(f);
        const quint32 length = lengthAt(f);
        char *payload = stream + f.offset + StandardRecord::HeaderSize;
        bool changed = false;
        if (type == RecordType::DiveLogData && length >= quint32(SRDLDataComp::HeaderSize)) {
            // Descrambled and taken into the new CRC in pieces that stay in
            // the cache between the two passes: dive data runs to megabytes.
            const SRDLDataComp seed(QByteArray(payload, SRDLDataComp::HeaderSize));
            char *data = payload + SRDLDataComp::HeaderSize;
            const qint64 dataLength = qint64(length) - SRDLDataComp::HeaderSize;
            quint32 crc = Crc32Static::Compute(stream + f.offset, data - (stream + f.offset));
            for (qint64 done = 0; done < dataLength;) {
                const qint64 piece = std::min<qint64>(CachePieceSize, dataLength - done);
                SRDLDataComp::ScrambleBlocks(data + done, data + done, piece, seed.KeyOffset() + done, diveBlockSize);
                crc = Crc32Static::Update(crc, data + done, piece);
                done += piece;
            }
            StandardRecord::WriteU32(data + dataLength, crc);
        } else if (type == RecordType::MemoryBlock && length >= quint32(SRMemoryBlock::HeaderSize)) {
            const SRMemoryBlock fields(QByteArray(payload, SRMemoryBlock::HeaderSize));
            if (!(m_creatorIsDepot && fields.KeyOffsetNegative()))
                changed = SRMemoryBlock::ScramblePayload(payload, length);
        }
        if (changed) {
            const qint64 covered = StandardRecord::HeaderSize + qint64(length);
            StandardRecord::WriteU32(stream + f.offset + covered,
                                     Crc32Static::Compute(stream + f.offset, covered));
        }
    }
    keepFound();
    return true;
}

QStringList StandardRecordFile::DamagedRecords() const
{
    QStringList damaged;
    for (int i = 0; i < m_records.size(); ++i) {
        const StandardRecord &record = m_records.at(i);
        if (!record.IsValid())
            damaged << QStringLiteral("record %1 (%2) failed its CRC check").arg(i + 1).arg(StandardRecord::TypeName(record.Type()));
    }
    return damaged;
}

const StandardRecord *StandardRecordFile::FindRecord(quint16 type) const
{
    for (const StandardRecord &record : m_records) {
        if (record.Type() == type)
            return &record;
    }
    return nullptr;
}

bool StandardRecordFile::ConvertToLines(const QString &path, QStringList &lines, SRFileHeader &header,
                                        bool &wideBlocks, LoadMode mode)
{
    if (!Load(path, header, mode)) {
        m_lastError = QStringLiteral("Binary file load failed - ") + m_lastError;
        return false;
    }
    wideBlocks = m_wideBlocks;
    return RecordsToLines(lines, header, wideBlocks);
}

bool StandardRecordFile::ConvertBytesToLines(QByteArray fileBytes, QStringList &lines,
                                             SRFileHeader &header, bool &wideBlocks, LoadMode mode)
{
    if (!LoadFromBytes(std::move(fileBytes), header, mode)) {
        m_lastError = QStringLiteral("Binary file load failed - ") + m_lastError;
        return false;
    }
    wideBlocks = m_wideBlocks;
    return RecordsToLines(lines, header, wideBlocks);
}

bool StandardRecordFile::RecordsToLines(QStringList &lines, const SRFileHeader &header, bool wideBlocks)
{
    lines << header.CreatorLine() << header.DateLine() << header.TimeLine();
    const int blockSize = wideBlocks ? WideBlockSize : NarrowBlockSize;

    // Records with a bad CRC are converted like intact ones: DamagedRecords()
    // names them, so the damage is reported rather than the data dropped.
    for (const StandardRecord &record : qAsConst(m_records)) {
        if (record.Type() != RecordType::DiveLogData)
            continue;
        const SRDLDataComp data(record.Payload());
        if (!data.IsWellFormed())
            return Fail(QStringLiteral("Create ccl text dive log data comp failed"));
        lines << data.DataLines(blockSize);
    }
    for (const StandardRecord &record : qAsConst(m_records)) {
        if (record.Type() != RecordType::DiveLogUser)
            continue;
        if (!SRDLDataUser(record.Payload()).Lines(lines))
            return Fail(QStringLiteral("Create ccl text dive log data user failed"));
    }
    for (const StandardRecord &record : qAsConst(m_records)) {
        if (record.Type() != RecordType::MemoryBlock)
            continue;
        const SRMemoryBlock block(record.Payload());
        if (!block.IsWellFormed())
            return Fail(QStringLiteral("Create ccl memory blocks failed"));
        lines << block.HeaderLine() << block.DataLine();
    }
    for (const StandardRecord &record : qAsConst(m_records)) {
        if (record.Type() != RecordType::DanData)
            continue;
        if (!SRDANData(record.Payload()).Lines(lines))
            return Fail(QStringLiteral("Create DAN data failed"));
    }
    return true;
}

QByteArray StandardRecordFile::PlainContainer(const QByteArray &recordStream)
{
    QByteArray out = recordStream;
    StandardRecord::AppendU32(out, Crc32Static::Compute(recordStream));
    return out;
}

QByteArray StandardRecordFile::SecuredContainer(const QByteArray &recordStream, QString *error)
{
    QByteArray iv(IvSize, 0);
    if (RAND_bytes(reinterpret_cast<unsigned char *>(iv.data()), IvSize) != 1) {
        if (error)
            *error = QStringLiteral("Unable to generate the initialisation vector");
        return QByteArray();
    }
    return SecuredContainer(recordStream, iv, error);
}

QByteArray StandardRecordFile::SecuredContainer(const QByteArray &recordStream, const QByteArray &iv,
                                                QString *error)
{
    QByteArray buffer;
    try {
        buffer.reserve(int(std::min<qint64>(MaxFileSize, qint64(recordStream.size()) + SecuredOverhead)));
        buffer.append(QByteArray(SecuredPrefixSize, 0));
        buffer.append(recordStream);
    } catch (const std::bad_alloc &) {
        if (error)
            *error = QStringLiteral("Unable to allocate memory");
        return QByteArray();
    }
    if (!SealInPlace(buffer, iv, error))
        return QByteArray();
    return buffer;
}

bool StandardRecordFile::SealInPlace(QByteArray &buffer, QString *error)
{
    QByteArray iv(IvSize, 0);
    if (RAND_bytes(reinterpret_cast<unsigned char *>(iv.data()), IvSize) != 1) {
        if (error)
            *error = QStringLiteral("Unable to generate the initialisation vector");
        return false;
    }
    return SealInPlace(buffer, iv, error);
}

bool StandardRecordFile::SealInPlace(QByteArray &buffer, const QByteArray &iv, QString *error)
{
    auto fail = [&](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (iv.size() != IvSize || buffer.size() < SecuredPrefixSize)
        return fail(QStringLiteral("Invalid initialisation vector"));
    const qint64 streamLength = qint64(buffer.size()) - SecuredPrefixSize;
    const qint64 plainLength = streamLength + 4;
    const int pad = AesBlockSize - int(plainLength % AesBlockSize); // 1..16
    const qint64 cipherLength = plainLength + pad;
    const qint64 total = SecuredPrefixSize + cipherLength + SealSize;
    if (total > MaxFileSize)
        return fail(QStringLiteral("Unable to allocate memory"));
    try {
        const quint32 crc = Crc32Static::Compute(buffer.constData() + SecuredPrefixSize, streamLength);
        StandardRecord::AppendU32(buffer, crc);
        buffer.append(QByteArray(pad, char(pad)));
        buffer.append(reinterpret_cast<const char *>(ContainerKeys::SealKey.data()), SealSize);
    } catch (const std::bad_alloc &) {
        return fail(QStringLiteral("Unable to allocate memory"));
    }
    char *d = buffer.data();
    std::memcpy(d, ContainerKeys::SecuredMagic.data(), MagicSize);
    std::memcpy(d + MagicSize, iv.constData(), IvSize);
    if (!AesCbcInPlace(d + SecuredPrefixSize, int(cipherLength), iv.constData(), true))
        return fail(QStringLiteral("Encryption failed"));
    const qint64 sealAt = SecuredPrefixSize + cipherLength;
    const QByteArray digest = Seal(d, sealAt);
    if (digest.size() != SealSize)
        return fail(QStringLiteral("Unable to compute the SHA256 digest"));
    std::memcpy(d + sealAt, digest.constData(), SealSize);
    return true;
}

bool StandardRecordFile::WriteSealed(const QByteArray &sealed, const QString &path)
{
    QString error;
    if (!WriteFileSafely(path, sealed, &error))
        return Fail(error);
    return true;
}

bool StandardRecordFile::SecureWrite(const QByteArray &recordStream, const QString &path)
{
    QString error;
    const QByteArray bytes = SecuredContainer(recordStream, &error);
    if (bytes.isEmpty())
        return Fail(error);
    if (!WriteFileSafely(path, bytes, &error))
        return Fail(error);
    return true;
}

bool StandardRecordFile::WriteFileSafely(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Unable to open %1 for writing - %2").arg(path, file.errorString());
        return false;
    }
    if (!WriteChunked(file, bytes)) {
        if (error)
            *error = QStringLiteral("Unable to write %1 - %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("Unable to write %1 - %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool StandardRecordFile::WriteChunked(QIODevice &device, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    const qint64 size = bytes.size();
    for (qint64 done = 0; done < size;) {
        const qint64 chunk = std::min<qint64>(WriteChunkSize, size - done);
        if (device.write(data + done, chunk) != chunk)
            return false;
        done += chunk;
    }
    return true;
}
