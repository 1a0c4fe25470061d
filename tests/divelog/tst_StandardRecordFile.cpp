// Container files: format check, whole-file checks, loading in every mode,
// conversion to text-form lines and safe secured writing.
#include "TestBytes.h"
#include "ContainerKeys.h"
#include "DeviceList.h"
#include "Crc32Static.h"
#include "LogFileWriter.h"
#include "RecordScrambler.h"
#include "SRDLDataComp.h"
#include "SRMemoryBlock.h"
#include "SRUploadDataBlock.h"
#include "StandardRecordFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <openssl/evp.h>
#include <sys/resource.h>
#include <csignal>

namespace {

using TestBytes::Bytes;
using TestBytes::Pattern;
using TestBytes::WriteBytes;

QByteArray U32(quint32 v)
{
    QByteArray out;
    StandardRecord::AppendU32(out, v);
    return out;
}

QByteArray HeaderRecord(const QByteArray &deviceVersion, quint8 creator = ContainerCreator::Tessaro)
{
    SRFileHeader header;
    header.SetCreatorCode(creator);
    header.SetCreatorVersion({1, 2, 6, 0});
    header.SetDateTime(QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53)));
    header.SetDeviceVersion(deviceVersion);
    return StandardRecord::Create(RecordType::FileHeader, header.Payload()).Encoded();
}

// AES-256-CBC with any key, for files that must look sealed but were
// encrypted by someone else.
QByteArray EncryptWithKey(const QByteArray &plain, const QByteArray &key, const QByteArray &iv)
{
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    QByteArray out(plain.size() + 32, 0);
    int n1 = 0, n2 = 0;
    EVP_EncryptInit_ex(ctx, EVP_aes_256_cbc(), nullptr, reinterpret_cast<const unsigned char *>(key.constData()),
                       reinterpret_cast<const unsigned char *>(iv.constData()));
    EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char *>(out.data()), &n1,
                      reinterpret_cast<const unsigned char *>(plain.constData()), plain.size());
    EVP_EncryptFinal_ex(ctx, reinterpret_cast<unsigned char *>(out.data()) + n1, &n2);
    EVP_CIPHER_CTX_free(ctx);
    out.resize(n1 + n2);
    return out;
}

// A secured file made by hand: magic, IV, ciphertext of `plainContainer`, seal.
QByteArray SealByHand(const QByteArray &plainContainer, const QByteArray &key)
{
    const QByteArray iv = Pattern(16, 77);
    QByteArray file = Bytes({0xF3, 0x53, 0x46, 0x01}) + iv + EncryptWithKey(plainContainer, key, iv);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(file);
    hash.addData(reinterpret_cast<const char *>(ContainerKeys::SealKey.data()), 32);
    return file + hash.result();
}

QByteArray ContainerKey()
{
    return QByteArray(reinterpret_cast<const char *>(ContainerKeys::ContainerKey.data()), 32);
}

} // namespace

class TestStandardRecordFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString Path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void formatCheck_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("message");
        const QString small = QStringLiteral("File to small, at least two bytes required for format check");
        QTest::newRow("empty") << QByteArray() << int(LogFileFormat::Invalid) << small;
        QTest::newRow("two bytes 00 00") << Bytes({0, 0}) << int(LogFileFormat::Invalid) << small;
        QTest::newRow("binary") << Bytes({0, 0, 0}) << int(LogFileFormat::Binary) << QString();
        QTest::newRow("secured") << Bytes({0xF3, 0x53, 0x46, 0x01}) << int(LogFileFormat::Secured) << QString();
        QTest::newRow("secured, any fourth byte") << Bytes({0xF3, 0x53, 0x46, 0x7E}) << int(LogFileFormat::Secured) << QString();
        QTest::newRow("00 then non-zero") << Bytes({0, 1, 0}) << int(LogFileFormat::Text) << QString();
        QTest::newRow("almost secured") << Bytes({0xF3, 0x53, 0x45}) << int(LogFileFormat::Text) << QString();
        QTest::newRow("text") << QByteArray("Tessaro Version 1.2.6.0\n") << int(LogFileFormat::Text) << QString();
    }
    void formatCheck()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, format);
        QFETCH(QString, message);
        const QString path = Path(QStringLiteral("format.ccl"));
        QVERIFY(WriteBytes(path, bytes));
        QString got;
        QCOMPARE(int(StandardRecordFile::CheckFormat(path, &got)), format);
        QCOMPARE(got, message);
    }

    void formatCheckOfMissingFile()
    {
        QString message;
        QCOMPARE(StandardRecordFile::CheckFormat(Path(QStringLiteral("none.ccl")), &message), LogFileFormat::Invalid);
        QCOMPARE(message, QStringLiteral("Unable to open source file"));
    }

    void checkCrc32_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("pass");
        const QByteArray body = HeaderRecord(Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
        QTest::newRow("good") << StandardRecordFile::PlainContainer(body) << true;
        QTest::newRow("stored zero counts as absent") << body + U32(0) << true;
        QTest::newRow("wrong") << body + U32(Crc32Static::Compute(body) ^ 1) << false;
        QTest::newRow("shorter than a crc") << Bytes({0, 0, 1}) << false;
    }
    void checkCrc32()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, pass);
        const QString path = Path(QStringLiteral("crc.ccl"));
        QVERIFY(WriteBytes(path, bytes));
        StandardRecordFile file;
        QCOMPARE(file.CheckCRC32(path), pass);
        QCOMPARE(file.LastError(), pass ? QString() : QStringLiteral("crc32 mismatch"));
    }

    void checksOfMissingFile()
    {
        StandardRecordFile file;
        QVERIFY(!file.CheckCRC32(Path(QStringLiteral("missing.ccl"))));
        QCOMPARE(file.LastError(), QStringLiteral("CheckCRC32 Unable to open source file"));
        QVERIFY(!file.CheckSHA256(Path(QStringLiteral("missing.ccl"))));
        QCOMPARE(file.LastError(), QStringLiteral("CheckSHA256 Unable to open source file"));
        SRFileHeader header;
        QVERIFY(!file.Load(Path(QStringLiteral("missing.ccl")), header, StandardRecordFile::LoadMode::SecuredLog));
        QCOMPARE(file.LastError(), QStringLiteral("Secured file load initial SHA256 check failed - "
                                                  "CheckSHA256 Unable to open source file"));
    }

    void zeroFileCrcPassesCheckButFailsLoad()
    {
        const QByteArray bytes = HeaderRecord(Bytes({0xFF, 0xFF, 0xFF, 0xFF})) + U32(0);
        const QString path = Path(QStringLiteral("zero.ccl"));
        QVERIFY(WriteBytes(path, bytes));
        StandardRecordFile file;
        QVERIFY(file.CheckCRC32(path));
        SRFileHeader header;
        QVERIFY(!file.Load(path, header, StandardRecordFile::LoadMode::PlainLog));
        QCOMPARE(file.LastError(), QStringLiteral("Standard Records Checksum failure"));
    }

    void badFileCrcFailsLoadWithCheckText()
    {
        const QByteArray body = HeaderRecord(Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
        StandardRecordFile file;
        SRFileHeader header;
        QVERIFY(!file.LoadFromBytes(body + U32(12345), header, StandardRecordFile::LoadMode::PlainLog));
        QCOMPARE(file.LastError(), QStringLiteral("Binary file load inital CRC32 check failed - crc32 mismatch"));
    }

    void badRecordCrcIsKeptAndConverted()
    {
        QByteArray broken = StandardRecord::Create(RecordType::DiveLogData,
                                                   SRDLDataComp::Create(Pattern(32, 1), 16, {1, 1, 1, 3}).Payload())
                                .Encoded();
        // Data byte 5 changed after the CRC was taken (the XOR scrambling
        // carries the flip through to the plain byte).
        broken[StandardRecord::HeaderSize + 4 + 5] = char(broken[StandardRecord::HeaderSize + 4 + 5] ^ 0x40);
        const QByteArray good = SRDLDataComp::Create(Pattern(16, 2), 16, {1, 1, 1, 9}).Payload();
        const QByteArray body = HeaderRecord(Bytes({0xFF, 0xFF, 0xFF, 0xFF})) + broken
            + StandardRecord::Create(RecordType::DiveLogData, good).Encoded();

        StandardRecordFile file;
        SRFileHeader header;
        QVERIFY(file.LoadFromBytes(StandardRecordFile::PlainContainer(body), header,
                                   StandardRecordFile::LoadMode::PlainLog));
        QCOMPARE(file.LastError(), QStringLiteral("Invalid record, continuing"));
        QCOMPARE(file.Records().size(), 3);
        QVERIFY(file.Records().at(0).IsValid());
        QVERIFY(!file.Records().at(1).IsValid());
        QVERIFY(file.Records().at(2).IsValid());
        QCOMPARE(SRDLDataComp(file.Records().at(2).Payload()).Data(), Pattern(16, 2));
        QCOMPARE(file.DamagedRecords(), QStringList{QStringLiteral("record 2 (dive data) failed its CRC check")});

        // The damaged record is descrambled and converted as stored, so one
        // bad byte costs one byte, not the dive; it stays flagged.
        QByteArray damaged = Pattern(32, 1);
        damaged[5] = char(damaged[5] ^ 0x40);
        QCOMPARE(SRDLDataComp(file.Records().at(1).Payload()).Data(), damaged);
        QStringList lines;
        QVERIFY(file.RecordsToLines(lines, header, false));
        QCOMPARE(lines.size(), 3 + 2 + 1);
        const auto hex = [](const QByteArray &bytes) { return QString::fromLatin1(bytes.toHex()).toUpper(); };
        QVERIFY(lines.at(3).startsWith(hex(damaged.left(16))));
        QVERIFY(lines.at(4).startsWith(hex(damaged.mid(16))));
        QVERIFY(lines.at(5).startsWith(hex(Pattern(16, 2))));
    }

    void damagedHeaderStillDecidesTheBlockWidth()
    {
        // The only header's CRC fails: it still says the data is in 32-byte
        // blocks, which is better than reading a wide log as narrow.
        QByteArray header = HeaderRecord(Bytes({0x00, 0x07, 0x00, 0x03}));
        header[header.size() - 1] = char(header.at(header.size() - 1) ^ 0x01);
        const QByteArray body = header
            + StandardRecord::Create(RecordType::DiveLogData, SRDLDataComp::Create(Pattern(64, 3), 32, {1, 1, 1, 7}).Payload()).Encoded();
        StandardRecordFile file;
        SRFileHeader loaded;
        QVERIFY(file.LoadFromBytes(StandardRecordFile::PlainContainer(body), loaded, StandardRecordFile::LoadMode::PlainLog));
        QVERIFY(file.WideBlocks());
        QCOMPARE(SRDLDataComp(file.Records().at(1).Payload()).Data(), Pattern(64, 3));
        QCOMPARE(file.DamagedRecords(), QStringList{QStringLiteral("record 1 (file header) failed its CRC check")});
    }

    void loadedRecordsChangeIndependently()
    {
        const QByteArray body = HeaderRecord(Bytes({0xFF, 0xFF, 0xFF, 0xFF}))
            + StandardRecord::Create(0x0099, Bytes({1, 2, 3})).Encoded()
            + StandardRecord::Create(0x0098, Bytes({4, 5, 6})).Encoded();
        StandardRecordFile file;
        SRFileHeader header;
        QVERIFY(file.LoadFromBytes(StandardRecordFile::SecuredContainer(body), header,
                                   StandardRecordFile::LoadMode::SecuredLog));
        QCOMPARE(file.Records().size(), 3);
        StandardRecord &first = file.Records()[1];
        first.PayloadForUpdate()[0] = 9;
        first.UpdateCrc();
        QCOMPARE(first.Encoded(), StandardRecord::Create(0x0099, Bytes({9, 2, 3})).Encoded());
        QCOMPARE(file.Records().at(2).Encoded(), StandardRecord::Create(0x0098, Bytes({4, 5, 6})).Encoded());
        QCOMPARE(file.Records().at(2).Payload(), Bytes({4, 5, 6}));
        file.Records()[2].SetPayload(Bytes({7}));
        QCOMPARE(file.Records().at(2).Encoded(), StandardRecord::Create(0x0098, Bytes({7})).Encoded());
        QCOMPARE(first.Payload(), Bytes({9, 2, 3}));
    }

    void malformedStreams_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("error");
        const QString insufficient = QStringLiteral("File to small, insufficient data for a standard record plus checksum");
        const QString six = QStringLiteral("File to small, at least six bytes required for record header");
        const QByteArray header = HeaderRecord(Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
        QTest::newRow("length field 4 GiB") << Bytes({0, 0x20, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4}) << insufficient;
        QTest::newRow("length field one past the end") << header + Bytes({0, 0x20, 0, 0, 0, 1, 0, 0, 0, 0}) << insufficient;
        QTest::newRow("six bytes left over") << header + Bytes({0, 0x20, 0, 0, 0, 0}) << six;
        QTest::newRow("one byte left over") << header + Bytes({0}) << six;
        QTest::newRow("only six bytes") << Bytes({0, 0, 0, 0, 0, 0}) << six;
        QTest::newRow("nothing") << QByteArray() << six;
    }
    void malformedStreams()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, error);
        const QByteArray plain = StandardRecordFile::PlainContainer(body);
        StandardRecordFile file;
        SRFileHeader header;
        QVERIFY(!file.LoadFromBytes(plain, header, StandardRecordFile::LoadMode::PlainLog));
        QCOMPARE(file.LastError(), error);
        // The same stream inside a secured container.
        QVERIFY(!file.LoadFromBytes(StandardRecordFile::SecuredContainer(body), header,
                                    StandardRecordFile::LoadMode::SecuredLog));
        QCOMPARE(file.LastError(), error);
    }

    // The reader takes the block size from the header's device version. The
    // stored data is scrambled here by hand, so a wrong block size shows.
    void diveDataBlockSizeByDeviceVersion_data()
    {
        QTest::addColumn<QByteArray>("deviceVersion");
        QTest::addColumn<int>("blockSize");
        QTest::newRow("not known") << Bytes({0xFF, 0xFF, 0xFF, 0xFF}) << 16;
        QTest::newRow("7.0.2") << Bytes({0x00, 0x07, 0x00, 0x02}) << 16;
        QTest::newRow("7.0.3") << Bytes({0x00, 0x07, 0x00, 0x03}) << 32;
    }
    void diveDataBlockSizeByDeviceVersion()
    {
        QFETCH(QByteArray, deviceVersion);
        QFETCH(int, blockSize);
        // A 32-byte block that is all 0xFF only in its first half.
        const QByteArray plain = QByteArray(16, char(0xFF)) + Pattern(16, 3) + QByteArray(32, char(0xFF));
        QByteArray stored = plain;
        for (int start = 0; start < stored.size(); start += blockSize) {
            const QByteArray block = stored.mid(start, blockSize);
            if (block != QByteArray(block.size(), char(0xFF))) {
                for (int i = 0; i < block.size(); ++i)
                    stored[start + i] = char(quint8(stored[start + i]) ^ RecordScrambler::KeystreamByte(quint64(start + i) + 5));
            }
        }
        const QByteArray body = HeaderRecord(deviceVersion)
            + StandardRecord::Create(RecordType::DiveLogData, Bytes({1, 1, 1, 5}) + stored).Encoded();

        StandardRecordFile file;
        SRFileHeader header;
        QVERIFY(file.LoadFromBytes(StandardRecordFile::PlainContainer(body), header,
                                   StandardRecordFile::LoadMode::PlainLog));
        QCOMPARE(file.WideBlocks(), blockSize == 32);
        const StandardRecord *data = file.FindRecord(RecordType::DiveLogData);
        QVERIFY(data);
        QCOMPARE(SRDLDataComp(data->Payload()).Data(), plain);
        QVERIFY(data->IsValid());
        QCOMPARE(data->Crc(), Crc32Static::Compute(data->Encoded().left(int(data->TotalLength()) - 4)));

        QStringList lines;
        QVERIFY(file.RecordsToLines(lines, header, file.WideBlocks()));
        QCOMPARE(lines.size(), 3 + plain.size() / blockSize);
        QCOMPARE(lines.at(3).size(), blockSize * 2 + 2);
    }

    void depotBlocksWithNegativeKeyOffsetAreKeptAsStored_data()
    {
        QTest::addColumn<int>("creator");
        QTest::addColumn<bool>("negative");
        QTest::addColumn<bool>("keptAsStored");
        QTest::newRow("depot, negative") << int(ContainerCreator::Depot) << true << true;
        QTest::newRow("depot, positive") << int(ContainerCreator::Depot) << false << false;
        QTest::newRow("this program, negative") << int(ContainerCreator::Tessaro) << true << false;
    }
    void depotBlocksWithNegativeKeyOffsetAreKeptAsStored()
    {
        QFETCH(int, creator);
        QFETCH(bool, negative);
        QFETCH(bool, keptAsStored);
        const std::array<quint8, 4> seed = negative ? std::array<quint8, 4>{0xFF, 0xFF, 0xFF, 0x83}
                                                    : std::array<quint8, 4>{1, 1, 1, 5};
        const QByteArray plain = Pattern(24, 8);
        const SRMemoryBlock block = SRMemoryBlock::Create(0xB6, 2, 0, plain, seed);
        const QByteArray body = HeaderRecord(Bytes({0xFF, 0xFF, 0xFF, 0xFF}), quint8(creator))
            + StandardRecord::Create(RecordType::MemoryBlock, block.Payload()).Encoded();
        StandardRecordFile file;
        SRFileHeader header;
        QVERIFY(file.LoadFromBytes(StandardRecordFile::PlainContainer(body), header,
                                   StandardRecordFile::LoadMode::PlainLog));
        QCOMPARE(file.CreatorIsDepot(), creator == ContainerCreator::Depot);
        const QByteArray loaded = SRMemoryBlock(file.FindRecord(RecordType::MemoryBlock)->Payload()).Data();
        QCOMPARE(loaded, keptAsStored ? block.Data() : plain);
    }

    void conversionOrderIsFixed()
    {
        // Records deliberately out of the order the lines come in.
        SRDANData::Item dan;
        dan.id = {'Z', 'P', 'A'};
        dan.type = 1;
        dan.data = QByteArray("X");
        QByteArray body = HeaderRecord(Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
        body += StandardRecord::Create(RecordType::DanData, SRDANData::Create({dan}).Payload()).Encoded();
        body += StandardRecord::Create(RecordType::MemoryBlock,
                                       SRMemoryBlock::Create(0x01, 0x02, 0x1000, Bytes({0xAB})).Payload()).Encoded();
        body += StandardRecord::Create(RecordType::DiveLogUser,
                                       SRDLDataUser::Create({{0x05, Bytes({0x41})}}).Payload()).Encoded();
        body += StandardRecord::Create(RecordType::DiveLogData, SRDLDataComp::Create(Pattern(16, 1), 16).Payload()).Encoded();
        body += StandardRecord::Create(0x0099, Bytes({1, 2, 3})).Encoded(); // unknown: kept, ignored

        const QString path = Path(QStringLiteral("order.ccl"));
        StandardRecordFile writer;
        QVERIFY(writer.SecureWrite(body, path));
        StandardRecordFile file;
        SRFileHeader header;
        QStringList lines;
        bool wide = true;
        QVERIFY(file.ConvertToLines(path, lines, header, wide, StandardRecordFile::LoadMode::SecuredLog));
        QVERIFY(!wide);
        QCOMPARE(file.Records().size(), 6);
        const QString dive = QString::fromLatin1(Pattern(16, 1).toHex()).toUpper();
        const QStringList expected = {
            QStringLiteral("Tessaro Version 1.2.6.0"),
            QStringLiteral("Date 14 March 2026"),
            QStringLiteral("Time 9:26:53"),
            dive + DeviceList::LineChecksum(dive),
            QStringLiteral("054144"),
            QStringLiteral("B0010200001000A3"),
            QStringLiteral("B1ab1A"),
            QStringLiteral("D05A5041303158C2"),
        };
        QCOMPARE(lines, expected);
        for (int i = 3; i < lines.size(); ++i)
            QVERIFY2(DeviceList::LineCheck(lines.at(i)), qPrintable(lines.at(i)));
    }

    void conversionFailures_data()
    {
        QTest::addColumn<quint16>("type");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("error");
        QTest::newRow("dive data without seed") << RecordType::DiveLogData << Bytes({1, 2})
                                                << "Create ccl text dive log data comp failed";
        QTest::newRow("user item past end") << RecordType::DiveLogUser << Bytes({5, 0, 0, 0, 9})
                                            << "Create ccl text dive log data user failed";
        QTest::newRow("memory block too short") << RecordType::MemoryBlock << Bytes({1, 1, 1, 1, 0xB0})
                                                << "Create ccl memory blocks failed";
        QTest::newRow("dan item past end") << RecordType::DanData << Bytes({'Z', 'P', 'D', 0, 0, 0, 1, 0})
                                           << "Create DAN data failed";
    }
    void conversionFailures()
    {
        QFETCH(quint16, type);
        QFETCH(QByteArray, payload);
        QFETCH(QString, error);
        const QByteArray body = HeaderRecord(Bytes({0xFF, 0xFF, 0xFF, 0xFF}))
            + StandardRecord::Create(type, payload).Encoded();
        StandardRecordFile file;
        SRFileHeader header;
        QStringList lines;
        bool wide = false;
        QVERIFY(!file.ConvertBytesToLines(StandardRecordFile::PlainContainer(body), lines, header, wide,
                                          StandardRecordFile::LoadMode::PlainLog));
        QCOMPARE(file.LastError(), error);
    }

    void conversionPrefixesLoadFailure()
    {
        StandardRecordFile file;
        SRFileHeader header;
        QStringList lines;
        bool wide = false;
        QVERIFY(!file.ConvertBytesToLines(Bytes({0, 0, 0, 0, 0, 0, 0, 0}), lines, header, wide,
                                          StandardRecordFile::LoadMode::PlainLog));
        QCOMPARE(file.LastError(), QStringLiteral("Binary file load failed - Standard Records Checksum failure"));
    }

    void securedLayout_data()
    {
        QTest::addColumn<int>("streamSize");
        QTest::addColumn<int>("padding");
        // stream + 4 CRC bytes; PKCS#7 adds 1..16, a full block when aligned.
        QTest::newRow("aligned: full padding block") << 28 << 16;
        QTest::newRow("one short of a block") << 27 << 1;
        QTest::newRow("one over a block") << 29 << 15;
    }
    void securedLayout()
    {
        QFETCH(int, streamSize);
        QFETCH(int, padding);
        const QByteArray stream = Pattern(streamSize, 4);
        const QByteArray iv = Pattern(16, 99);
        const QByteArray file = StandardRecordFile::SecuredContainer(stream, iv);
        const int m = streamSize + 4 + padding;
        QCOMPARE(file.size(), 20 + m + 32);
        QCOMPARE(file.left(4), Bytes({0xF3, 0x53, 0x46, 0x01}));
        QCOMPARE(file.mid(4, 16), iv);
        // The seal: SHA-256 of the file with the seal key in its place.
        QByteArray sealed = file.left(file.size() - 32)
            + QByteArray(reinterpret_cast<const char *>(ContainerKeys::SealKey.data()), 32);
        QCOMPARE(file.right(32), QCryptographicHash::hash(sealed, QCryptographicHash::Sha256));
        // Decrypting by hand gives stream, CRC and PKCS#7 padding.
        EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
        QByteArray plain(m + 16, 0);
        int n1 = 0, n2 = 0;
        EVP_DecryptInit_ex(ctx, EVP_aes_256_cbc(), nullptr,
                           ContainerKeys::ContainerKey.data(), reinterpret_cast<const unsigned char *>(iv.constData()));
        EVP_CIPHER_CTX_set_padding(ctx, 0);
        EVP_DecryptUpdate(ctx, reinterpret_cast<unsigned char *>(plain.data()), &n1,
                          reinterpret_cast<const unsigned char *>(file.constData() + 20), m);
        EVP_DecryptFinal_ex(ctx, reinterpret_cast<unsigned char *>(plain.data()) + n1, &n2);
        EVP_CIPHER_CTX_free(ctx);
        plain.resize(n1 + n2);
        QCOMPARE(plain, stream + U32(Crc32Static::Compute(stream)) + QByteArray(padding, char(padding)));
    }

    // Many megabytes go through buffers that ask for huge pages; what is read
    // back must be what was written, byte for byte, and the file sealed.
    void largeSecuredFileRoundTrips()
    {
        LogFileContent content;
        content.created = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53));
        content.deviceVersion = Bytes({0x00, 0x07, 0x01, 0x03});
        content.hasDiveData = true;
        content.diveData = Pattern(6 * 1024 * 1024 + 32, 11);
        content.memories.append({DeviceId::DisplayMono, 2, 0x1000, Pattern(5 * 1024 * 1024, 12)});
        const QString path = Path(QStringLiteral("large.ccl"));
        QString error;
        QVERIFY2(LogFileWriter::WriteSecured(path, content, &error), qPrintable(error));

        QFile raw(path);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray bytes = raw.readAll();
        QCOMPARE(bytes.left(4), Bytes({0xF3, 0x53, 0x46, 0x01}));
        QCOMPARE(bytes.right(32),
                 QCryptographicHash::hash(bytes.left(bytes.size() - 32)
                                              + QByteArray(reinterpret_cast<const char *>(ContainerKeys::SealKey.data()), 32),
                                          QCryptographicHash::Sha256));

        StandardRecordFile file;
        SRFileHeader header;
        QVERIFY2(file.Load(path, header, StandardRecordFile::LoadMode::SecuredLog), qPrintable(file.LastError()));
        QVERIFY(file.DamagedRecords().isEmpty());
        const StandardRecord *data = file.FindRecord(RecordType::DiveLogData);
        QVERIFY(data);
        QVERIFY(SRDLDataComp(data->Payload()).Data() == content.diveData);
        const StandardRecord *memory = file.FindRecord(RecordType::MemoryBlock);
        QVERIFY(memory);
        const SRMemoryBlock block(memory->Payload());
        QCOMPARE(block.StartAddress(), 0x1000u);
        QVERIFY(block.Data() == content.memories.first().data);
    }

    void freshIvForEveryFile()
    {
        const QByteArray stream = HeaderRecord(Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
        const QByteArray a = StandardRecordFile::SecuredContainer(stream);
        const QByteArray b = StandardRecordFile::SecuredContainer(stream);
        QVERIFY(a.mid(4, 16) != b.mid(4, 16));
        QVERIFY(a.mid(20) != b.mid(20));
    }

    void tamperedSecuredFileFailsSeal()
    {
        QByteArray file = StandardRecordFile::SecuredContainer(HeaderRecord(Bytes({0xFF, 0xFF, 0xFF, 0xFF})));
        file[30] = char(file[30] ^ 1);
        StandardRecordFile records;
        QVERIFY(!records.CheckSHA256OfBytes(file));
        QCOMPARE(records.LastError(), QStringLiteral("SHA256 mismatch"));
        SRFileHeader header;
        QVERIFY(!records.LoadFromBytes(file, header, StandardRecordFile::LoadMode::SecuredLog));
        QCOMPARE(records.LastError(), QStringLiteral("Secured file load initial SHA256 check failed - SHA256 mismatch"));
    }

    void sealedButUndecryptable_data()
    {
        QTest::addColumn<QByteArray>("file");
        const QByteArray body = HeaderRecord(Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
        QByteArray wrongKey = ContainerKey();
        wrongKey[0] = char(wrongKey[0] ^ 0x55);
        QTest::newRow("wrong key") << SealByHand(StandardRecordFile::PlainContainer(body), wrongKey);
        // Right key but a stream whose CRC is wrong.
        QTest::newRow("bad inner crc") << SealByHand(body + U32(1), ContainerKey());
        // A ciphertext that is not whole AES blocks.
        QByteArray cut = Bytes({0xF3, 0x53, 0x46, 0x01}) + Pattern(16, 1) + Pattern(5, 2);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(cut);
        hash.addData(reinterpret_cast<const char *>(ContainerKeys::SealKey.data()), 32);
        QTest::newRow("partial block") << cut + hash.result();
    }
    void sealedButUndecryptable()
    {
        QFETCH(QByteArray, file);
        StandardRecordFile records;
        QVERIFY(records.CheckSHA256OfBytes(file));
        SRFileHeader header;
        QVERIFY(!records.LoadFromBytes(file, header, StandardRecordFile::LoadMode::SecuredLog));
        QCOMPARE(records.LastError(), QStringLiteral("Standard Records Checksum failure"));
    }

    void uploadMode()
    {
        SRFileHeader uploadHeader = SRFileHeader::UploadForm();
        uploadHeader.SetUploadContainerType(4);
        SRUploadDataBlock block;
        const QStringList lines = {QStringLiteral(":0400000001020304F2")};
        QVERIFY(SRUploadDataBlock::Create(lines, block));
        const QByteArray body = StandardRecord::Create(RecordType::FileHeader, uploadHeader.Payload()).Encoded()
            + StandardRecord::Create(RecordType::UploadDataBlock, block.Payload()).Encoded();

        StandardRecordFile file;
        SRFileHeader header(QByteArray{});
        QVERIFY(file.LoadFromBytes(StandardRecordFile::SecuredContainer(body), header,
                                   StandardRecordFile::LoadMode::SecuredUpload));
        QCOMPARE(header.UploadContainerType(), quint8(4));
        QCOMPARE(header.FormText(), QStringLiteral("0.1.0.0"));
        const StandardRecord *data = file.FindRecord(RecordType::UploadDataBlock);
        QVERIFY(data);
        QStringList back;
        QVERIFY(SRUploadDataBlock(data->Payload()).Lines(back));
        QCOMPARE(back, lines);

        // Without a header record an upload file does not load.
        QVERIFY(!file.LoadFromBytes(StandardRecordFile::SecuredContainer(
                                        StandardRecord::Create(RecordType::UploadDataBlock, block.Payload()).Encoded()),
                                    header, StandardRecordFile::LoadMode::SecuredUpload));
    }

    // A write that fails part-way (here: the file-size limit standing in for
    // a full disk) leaves the existing file as it was and no stray files.
    void failedWriteKeepsExistingFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("dive.ccl"));
        const QByteArray original("the dive that is already on disk");
        QVERIFY(WriteBytes(path, original));

        struct rlimit old {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        const bool written = StandardRecordFile::WriteFileSafely(path, Pattern(20000, 1), &error);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!written);
        QVERIFY(!error.isEmpty());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), original);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("dive.ccl")}));
    }

    void writeReplacesExistingFile()
    {
        const QString path = Path(QStringLiteral("replace.ccl"));
        QVERIFY(WriteBytes(path, QByteArray(5000, 'x')));
        QString error;
        QVERIFY(StandardRecordFile::WriteFileSafely(path, Pattern(250, 3), &error));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), Pattern(250, 3));
    }

    void writeToMissingFolderFails()
    {
        StandardRecordFile file;
        QVERIFY(!file.SecureWrite(HeaderRecord(Bytes({0xFF, 0xFF, 0xFF, 0xFF})),
                                  Path(QStringLiteral("no/such/folder/dive.ccl"))));
        QVERIFY(!file.LastError().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestStandardRecordFile)
#include "tst_StandardRecordFile.moc"
