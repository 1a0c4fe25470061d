// Checksums, records and the payload classes of the file containers.
#include "TestBytes.h"
#include "ChecksumJob.h"
#include "Crc32Static.h"
#include "RecordScrambler.h"
#include "SRDANData.h"
#include "SRDLDataComp.h"
#include "SRDLDataUser.h"
#include "SRFileHeader.h"
#include "SRMemoryBlock.h"
#include "SRUploadDataBlock.h"
#include "StandardRecord.h"

#include <QtTest>

namespace {

using TestBytes::Bytes;
using TestBytes::Pattern;

// Reference XOR with the keystream, written independently of the payload classes.
QByteArray XorFrom(const QByteArray &data, int offset)
{
    QByteArray out = data;
    for (int i = 0; i < out.size(); ++i)
        out[i] = char(quint8(out[i]) ^ RecordScrambler::KeystreamByte(quint64(offset) + quint64(i)));
    return out;
}

} // namespace

class TestContainerPayloads : public QObject
{
    Q_OBJECT
private slots:
    void crc32KnownValues_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<quint32>("crc");
        QTest::newRow("check string") << QByteArray("123456789") << quint32(0xCBF43926);
        QTest::newRow("empty") << QByteArray() << quint32(0);
        QTest::newRow("one zero byte") << QByteArray(1, 0) << quint32(0xD202EF8D);
        QTest::newRow("fox") << QByteArray("The quick brown fox jumps over the lazy dog") << quint32(0x414FA339);
    }
    void crc32KnownValues()
    {
        QFETCH(QByteArray, input);
        QFETCH(quint32, crc);
        QCOMPARE(Crc32Static::Compute(input), crc);
        QCOMPARE(Crc32Static::ComputeText(QString::fromLatin1(input.constData(), input.size())), crc);
        // Running over two halves gives the same as over the whole.
        const int half = input.size() / 2;
        QCOMPARE(Crc32Static::Update(Crc32Static::Compute(input.left(half)), input.constData() + half,
                                     input.size() - half),
                 crc);
        // And so does putting the two halves' CRCs together.
        QCOMPARE(Crc32Static::Combine(Crc32Static::Compute(input.left(half)), Crc32Static::Compute(input.mid(half)),
                                      input.size() - half),
                 crc);
    }

    void crc32OfTextUsesLatin1()
    {
        // "é" is one byte (0xE9) in Latin-1, two in UTF-8.
        QCOMPARE(Crc32Static::ComputeText(QStringLiteral("caf\u00e9")), Crc32Static::Compute(Bytes({'c', 'a', 'f', 0xE9})));
    }

    void checksumJob_data()
    {
        QTest::addColumn<int>("algorithm");
        QTest::addColumn<int>("bits");
        QTest::addColumn<QString>("result");
        const int crc = int(ChecksumJob::Algorithm::Crc32);
        const int sha = int(ChecksumJob::Algorithm::Sha2);
        QTest::newRow("crc32") << crc << 0 << QStringLiteral("352441C2");
        QTest::newRow("sha256") << sha << 256
                                << QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
        QTest::newRow("unknown size is 256") << sha << 100
                                << QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
        QTest::newRow("sha384") << sha << 384
                                << QStringLiteral("cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed"
                                                  "8086072ba1e7cc2358baeca134c825a7");
        QTest::newRow("sha512") << sha << 512
                                << QStringLiteral("ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
                                                  "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f");
    }
    void checksumJob()
    {
        QFETCH(int, algorithm);
        QFETCH(int, bits);
        QFETCH(QString, result);
        ChecksumJob job(ChecksumJob::Algorithm(algorithm), QStringLiteral("abc"), bits);
        QCOMPARE(job.Run(), result);
        QCOMPARE(job.Result(), result);
        QCOMPARE(ChecksumJob::ResultBytes(result).toHex(), result.toLower().toLatin1());
    }

    void recordEncodingAndCrc()
    {
        const QByteArray payload = Bytes({0xAA, 0xBB, 0xCC});
        const StandardRecord record = StandardRecord::Create(0x0020, payload);
        const QByteArray typeAndLengthAndPayload = Bytes({0x00, 0x20, 0, 0, 0, 3, 0xAA, 0xBB, 0xCC});
        const quint32 crc = Crc32Static::Compute(typeAndLengthAndPayload);
        QByteArray expected = typeAndLengthAndPayload;
        expected += Bytes({int(crc >> 24), int((crc >> 16) & 0xFF), int((crc >> 8) & 0xFF), int(crc & 0xFF)});
        QCOMPARE(record.Encoded(), expected);
        QCOMPARE(record.TotalLength(), quint32(13));
        QCOMPARE(record.Crc(), crc);
        QVERIFY(record.IsValid());

        QByteArray corrupt = expected;
        corrupt[7] = char(0x00);
        const StandardRecord read = StandardRecord::FromEncoded(corrupt);
        QVERIFY(!read.IsValid());
        QCOMPARE(read.Payload(), Bytes({0xAA, 0x00, 0xCC}));
        QVERIFY(StandardRecord::FromEncoded(expected).IsValid());
    }

    void freshHeaders()
    {
        QByteArray log(51, char(0xFF));
        log[0] = 0; log[1] = 0; log[2] = 0; log[3] = 2;
        QCOMPARE(SRFileHeader::LogForm().Payload(), log);
        QCOMPARE(SRFileHeader().Payload(), log);
        QCOMPARE(SRFileHeader::LogForm().FormText(), QStringLiteral("0.0.0.2"));

        QByteArray upload(51, 0);
        upload[1] = 1;
        for (int i = 4; i < 16; ++i)
            upload[i] = char(0xFF);
        QCOMPARE(SRFileHeader::UploadForm().Payload(), upload);
    }

    void headerTexts_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("creatorLine");
        QTest::addColumn<QString>("dateTimeText");
        QTest::addColumn<QString>("deviceVersionText");

        auto header = [](int creator, std::array<quint8, 4> version, std::array<quint8, 4> device) {
            SRFileHeader h;
            h.SetCreatorCode(quint8(creator));
            h.SetCreatorVersion(version);
            h.SetDateTime(QDateTime(QDate(2026, 12, 9), QTime(7, 5, 3)));
            h.SetDeviceVersion(device);
            return h.Payload();
        };
        QTest::newRow("this program") << header(3, {1, 0, 2, 3}, {0x00, 0x07, 0x00, 0x03})
                                      << "Tessaro Version 1.0.2.3" << "9 December 2026 7:05:03" << "00.07.00.03";
        QTest::newRow("parley") << header(0, {2, 1, 0, 9}, {0xFF, 0xFF, 0xFF, 0xFF})
                                << "Quor Parley Version 2.1.0.9" << "9 December 2026 7:05:03" << "FF.FF.FF.FF";
        QTest::newRow("depot") << header(1, {1, 1, 1, 1}, {0, 0, 0, 0}) << "Quor Depot Version 1.1.1.1"
                               << "9 December 2026 7:05:03" << "00.00.00.00";
        QTest::newRow("test suite") << header(2, {0, 0, 0, 1}, {0, 0, 0, 0}) << "Rix Test Suite Version 0.0.0.1"
                                    << "9 December 2026 7:05:03" << "00.00.00.00";
        QTest::newRow("depot pc") << header(4, {255, 0, 0, 0}, {0, 0, 0, 0}) << "Quor Depot PC Version 255.0.0.0"
                                  << "9 December 2026 7:05:03" << "00.00.00.00";
        QTest::newRow("creator code 7 gives no creator line")
            << header(7, {1, 2, 3, 4}, {0, 0, 0, 0}) << "" << "9 December 2026 7:05:03" << "00.00.00.00";
        QTest::newRow("short header reads as parley, version 0")
            << Bytes({0, 0, 0, 2}) << "Quor Parley Version 0.0.0.0" << "0:00:00" << "00.00.00.00";
    }
    void headerTexts()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QString, creatorLine);
        QFETCH(QString, dateTimeText);
        QFETCH(QString, deviceVersionText);
        const SRFileHeader header(payload);
        QCOMPARE(header.CreatorLine(), creatorLine);
        QCOMPARE(header.DateTimeText().trimmed(), dateTimeText);
        QCOMPARE(header.DeviceVersionText(), deviceVersionText);
        if (dateTimeText.contains(QLatin1String("2026"))) {
            QCOMPARE(header.DateLine(), QStringLiteral("Date 9 December 2026"));
            QCOMPARE(header.TimeLine(), QStringLiteral("Time 7:05:03"));
            QCOMPARE(header.DateTime(), QDateTime(QDate(2026, 12, 9), QTime(7, 5, 3)));
        }
    }

    void dateTimesTheHeaderCannotCarry_data()
    {
        QTest::addColumn<QDateTime>("dateTime");
        QTest::newRow("invalid") << QDateTime();
        QTest::newRow("before 2000") << QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59));
        QTest::newRow("after 2254") << QDateTime(QDate(2255, 1, 1), QTime(0, 0, 0));
    }
    void dateTimesTheHeaderCannotCarry()
    {
        QFETCH(QDateTime, dateTime);
        SRFileHeader header;
        header.SetCreatorCode(3);
        header.SetDateTime(dateTime);
        QCOMPARE(header.Payload().mid(9, 6), QByteArray(6, char(0xFF)));
        QVERIFY(!header.DateTime().isValid());
        QCOMPARE(header.DateLine(), QStringLiteral("Date "));
        header.SetDateTime(QDateTime(QDate(2254, 12, 31), QTime(23, 59, 59)));
        QCOMPARE(header.DateTime(), QDateTime(QDate(2254, 12, 31), QTime(23, 59, 59)));
    }

    void versionBytesFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("four parts") << "1.2.6.0" << Bytes({1, 2, 6, 0});
        QTest::newRow("three parts") << "1.2.6" << Bytes({0, 0, 0, 0});
        QTest::newRow("five parts") << "1.2.6.0.1" << Bytes({0, 0, 0, 0});
        QTest::newRow("empty") << "" << Bytes({0, 0, 0, 0});
    }
    void versionBytesFromText()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        const auto v = SRFileHeader::VersionBytesFromText(text);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(v.data()), 4), bytes);
    }

    void wideBlocksByDeviceVersion_data()
    {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<bool>("wide");
        QTest::newRow("not known") << Bytes({0xFF, 0xFF, 0xFF, 0xFF}) << false;
        QTest::newRow("7.0.2") << Bytes({0x00, 0x07, 0x00, 0x02}) << false;
        QTest::newRow("6.99.99") << Bytes({0x00, 0x06, 0x99, 0x99}) << false;
        QTest::newRow("7.0.3") << Bytes({0x00, 0x07, 0x00, 0x03}) << true;
        QTest::newRow("7.1.15") << Bytes({0x00, 0x07, 0x01, 0x15}) << true;
        QTest::newRow("10.0.0") << Bytes({0x00, 0x10, 0x00, 0x00}) << true;
    }
    void wideBlocksByDeviceVersion()
    {
        QFETCH(QByteArray, version);
        QFETCH(bool, wide);
        QCOMPARE(SRFileHeader::WideBlocksForDeviceVersion(version), wide);
    }

    void logBookEntry()
    {
        SRFileHeader header;
        QByteArray entry;
        QVERIFY(!header.LogBookEntry(entry)); // all 0xFF: absent
        QVERIFY(!header.SetLogBookEntry(QByteArray(31, 1)));
        const QByteArray dive = Pattern(32, 5);
        QVERIFY(header.SetLogBookEntry(dive));
        QVERIFY(header.LogBookEntry(entry));
        QCOMPARE(entry, dive);
        // Fifty bytes are one short of an entry.
        QVERIFY(!SRFileHeader(header.Payload().left(50)).LogBookEntry(entry));
    }

    void uploadHeaderFields()
    {
        SRFileHeader header = SRFileHeader::UploadForm();
        header.SetUploadContainerType(4);
        header.SetUploadFlag(1);
        QCOMPARE(header.Payload().at(15), char(4));
        QCOMPARE(header.Payload().at(16), char(1));
        QCOMPARE(header.FormText(), QStringLiteral("0.1.0.0"));
    }

    void diveDataLeavesAllFFBlocksAlone_data()
    {
        QTest::addColumn<int>("blockSize");
        QTest::newRow("narrow") << 16;
        QTest::newRow("wide") << 32;
    }
    void diveDataLeavesAllFFBlocksAlone()
    {
        QFETCH(int, blockSize);
        // Blocks: data, all 0xFF, data, 0xFF but for its last byte (scrambled
        // whole), a short last block.
        QByteArray almostErased(blockSize, char(0xFF));
        almostErased[blockSize - 1] = char(0xFE);
        QByteArray plain = Pattern(blockSize, 1) + QByteArray(blockSize, char(0xFF)) + Pattern(blockSize, 2)
            + almostErased + Pattern(5, 3);
        const std::array<quint8, 4> seed = {1, 1, 1, 5}; // key offset 5
        const SRDLDataComp block = SRDLDataComp::Create(plain, blockSize, seed);
        QCOMPARE(block.KeyOffset(), 5);
        QByteArray expected = XorFrom(plain, 5);
        expected.replace(blockSize, blockSize, QByteArray(blockSize, char(0xFF)));
        QCOMPARE(block.Data(), expected);

        SRDLDataComp back = block;
        QVERIFY(back.Descramble(blockSize));
        QCOMPARE(back.Data(), plain);
        QCOMPARE(back.DataLines(blockSize).size(), 5);
    }

    void negativeSeedProductGivesKeyOffsetZero()
    {
        // 255 * 255 * 255 * 131 has bit 31 set and is odd.
        const std::array<quint8, 4> seed = {0xFF, 0xFF, 0xFF, 0x83};
        const QByteArray plain = Pattern(40, 9);
        const SRMemoryBlock block = SRMemoryBlock::Create(0xB6, 2, 0x20, plain, seed);
        QCOMPARE(block.KeyOffset(), 0);
        QVERIFY(block.KeyOffsetNegative());
        QCOMPARE(block.Data(), XorFrom(plain, 0));
        const SRMemoryBlock positive = SRMemoryBlock::Create(0xB6, 2, 0x20, plain, {1, 1, 1, 5});
        QVERIFY(!positive.KeyOffsetNegative());
    }

    void memoryBlockScrambling_data()
    {
        QTest::addColumn<int>("device");
        QTest::addColumn<int>("memory");
        QTest::addColumn<quint32>("start");
        QTest::addColumn<bool>("logData");
        QTest::newRow("mono display log data") << 0xB0 << 1 << quint32(0x10000) << true;
        QTest::newRow("colour display log data") << 0xBC << 6 << quint32(0x10000) << true;
        QTest::newRow("C1 log data") << 0xB2 << 1 << quint32(0x4800) << true;
        QTest::newRow("C2 log data") << 0xB4 << 1 << quint32(0x4800) << true;
        QTest::newRow("colour display, other start") << 0xBC << 6 << quint32(0x0) << false;
        QTest::newRow("mono display, other memory") << 0xB0 << 2 << quint32(0x10000) << false;
        QTest::newRow("CO2 sensor") << 0xB6 << 1 << quint32(0x4800) << false;
    }
    void memoryBlockScrambling()
    {
        QFETCH(int, device);
        QFETCH(int, memory);
        QFETCH(quint32, start);
        QFETCH(bool, logData);
        const QByteArray plain = Pattern(16, 4) + QByteArray(16, char(0xFF)) + Pattern(16, 6);
        const SRMemoryBlock block = SRMemoryBlock::Create(quint8(device), quint8(memory), start, plain, {1, 1, 1, 7});
        QCOMPARE(block.IsLogDataRegion(), logData);
        QByteArray expected = XorFrom(plain, 7);
        if (logData)
            expected.replace(16, 16, QByteArray(16, char(0xFF)));
        QCOMPARE(block.Data(), expected);
        QCOMPARE(block.DeviceId(), quint8(device));
        QCOMPARE(block.MemoryId(), quint8(memory));
        QCOMPARE(block.StartAddress(), start);
        SRMemoryBlock back = block;
        QVERIFY(back.Descramble());
        QCOMPARE(back.Data(), plain);
    }

    void memoryLines()
    {
        SRMemoryBlock block(Bytes({1, 1, 1, 1, 0x01, 0x02, 0x00, 0x00, 0x10, 0x00, 0xAB, 0x0C}));
        QCOMPARE(block.HeaderLine(), QStringLiteral("B0010200001000A3"));
        // B1 ^ AB ^ 0C = 16; data in lower case, checksum in upper case.
        QCOMPARE(block.DataLine(), QStringLiteral("B1ab0c16"));
        QVERIFY(!SRMemoryBlock(Bytes({1, 2, 3})).IsWellFormed());
    }

    void userAndDanItems()
    {
        const QVector<SRDLDataUser::Item> items = {{0x05, Bytes({0x41, 0x42})}, {0x7E, QByteArray()}};
        const SRDLDataUser user = SRDLDataUser::Create(items);
        QStringList lines;
        QVERIFY(user.Lines(lines));
        QCOMPARE(lines, QStringList({QStringLiteral("05414206"), QStringLiteral("7E7E")}));

        // The type byte is the DL7 field number, written as two decimal
        // digits, which is what the log parser reads after the segment.
        SRDANData::Item dan;
        dan.id = {'Z', 'P', 'D'};
        dan.type = 3;
        dan.data = QByteArray("1");
        // Above 99 there is no field number to write: "--".
        SRDANData::Item noField;
        noField.id = {'Z', 'P', 'A'};
        noField.type = 120;
        noField.data = QByteArray("X");
        QStringList danLines;
        QVERIFY(SRDANData::Create({dan, noField}).Lines(danLines));
        // D0 ^ 5A ^ 50 ^ 44 ^ 30 ^ 33 ^ 31 = AC; D0 ^ 5A ^ 50 ^ 41 ^ 2D ^ 2D ^ 58 = C3
        QCOMPARE(danLines, QStringList({QStringLiteral("D05A5044303331AC"), QStringLiteral("D05A50412D2D58C3")}));
    }

    void itemLengthsBeyondThePayloadAreRefused_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("dan");
        QTest::newRow("user length 4 GiB") << Bytes({0x05, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}) << false;
        QTest::newRow("user length one past") << Bytes({0x05, 0, 0, 0, 2, 0x00}) << false;
        QTest::newRow("user header cut") << Bytes({0x05, 0, 0}) << false;
        QTest::newRow("dan length 4 GiB") << Bytes({'Z', 'D', 'H', 0, 0xFF, 0xFF, 0xFF, 0xF0, 1}) << true;
        QTest::newRow("dan header cut") << Bytes({'Z', 'D', 'H', 0, 0}) << true;
    }
    void itemLengthsBeyondThePayloadAreRefused()
    {
        QFETCH(QByteArray, payload);
        QFETCH(bool, dan);
        QStringList lines;
        if (dan)
            QVERIFY(!SRDANData(payload).Lines(lines));
        else
            QVERIFY(!SRDLDataUser(payload).Lines(lines));
        QVERIFY(lines.isEmpty());
    }

    void uploadDataBlock()
    {
        const QStringList lines = {QStringLiteral(":RixB0"), QString(), QStringLiteral(":0400000001020304F2")};
        SRUploadDataBlock block;
        QVERIFY(SRUploadDataBlock::Create(lines, block));
        QStringList back;
        QVERIFY(block.Lines(back));
        QCOMPARE(back, lines);

        QVERIFY(!SRUploadDataBlock::Create({QString(70000, QLatin1Char('A'))}, block));
    }

    void uploadDataBlockThatDoesNotDecode_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("hostile count") << Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 0});
        QTest::newRow("line past end") << Bytes({0, 0, 0, 1, 0, 5, 'a', 'b'});
        QTest::newRow("bytes left over") << Bytes({0, 0, 0, 1, 0, 1, 'a', 'b'});
    }
    void uploadDataBlockThatDoesNotDecode()
    {
        QFETCH(QByteArray, payload);
        QStringList lines;
        QVERIFY(!SRUploadDataBlock(payload).Lines(lines));
    }
};

QTEST_APPLESS_MAIN(TestContainerPayloads)
#include "tst_ContainerPayloads.moc"
