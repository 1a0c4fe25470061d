// Writes the seed corpus of fuzz_container: record streams of log, memory and
// upload files, and whole files in each of the three forms.
#include "LogFileWriter.h"
#include "SRUploadDataBlock.h"
#include "StandardRecordFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

QByteArray Pattern(int size, int salt)
{
    QByteArray out(size, 0);
    for (int i = 0; i < size; ++i)
        out[i] = char((i * 37 + salt) & 0xFF);
    return out;
}

LogFileContent Content(bool wide, quint8 creator)
{
    LogFileContent content;
    content.created = QDateTime(QDate(2026, 7, 1), QTime(10, 0, 0));
    content.creatorCode = creator;
    content.creatorVersionText = QStringLiteral("1.2.6.0");
    content.deviceVersion = wide ? QByteArray::fromHex("00070103") : QByteArray::fromHex("00060201");
    content.hasDiveData = true;
    const int width = wide ? 32 : 16;
    content.diveData = Pattern(width * 4, 1) + QByteArray(width, char(0xFF)) + Pattern(width * 2, 2);
    if (wide)
        content.logBookEntry = Pattern(32, 3);
    content.memories = {{0xBC, 6, 0x10000, Pattern(64, 4)}, {0xB0, 2, 0, Pattern(32, 5)}};
    content.userItems = {{0x02, QByteArray("buddy")}};
    SRDANData::Item dan;
    dan.id = {'Z', 'P', 'D'};
    dan.type = 3;
    dan.data = QByteArray("42");
    content.danItems = {dan};
    return content;
}

bool Write(const QDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile f(dir.filePath(name));
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral(".")))
        return 1;

    bool ok = true;
    const QByteArray narrow = LogFileWriter::RecordStream(Content(false, 3));
    const QByteArray wide = LogFileWriter::RecordStream(Content(true, 3));
    const QByteArray depot = LogFileWriter::RecordStream(Content(false, 1));
    ok = ok && Write(dir, QStringLiteral("stream_narrow"), narrow);
    ok = ok && Write(dir, QStringLiteral("stream_wide"), wide);
    ok = ok && Write(dir, QStringLiteral("stream_depot"), depot);
    ok = ok && Write(dir, QStringLiteral("plain_narrow"), StandardRecordFile::PlainContainer(narrow));
    ok = ok && Write(dir, QStringLiteral("secured_wide"), StandardRecordFile::SecuredContainer(wide));
    QByteArray text;
    for (const QString &line : LogFileWriter::TextLines(Content(false, 3)))
        text += line.toLatin1() + '\n';
    ok = ok && Write(dir, QStringLiteral("text_narrow"), text);

    SRFileHeader upload = SRFileHeader::UploadForm();
    upload.SetUploadContainerType(3);
    SRUploadDataBlock block;
    SRUploadDataBlock::Create({QStringLiteral(":0400000001020304F2"), QStringLiteral(":00000001FF")}, block);
    const QByteArray uploadStream = StandardRecord::Create(RecordType::FileHeader, upload.Payload()).Encoded()
        + StandardRecord::Create(RecordType::UploadDataBlock, block.Payload()).Encoded();
    ok = ok && Write(dir, QStringLiteral("stream_upload"), uploadStream);
    ok = ok && Write(dir, QStringLiteral("payload_upload"), block.Payload());
    return ok ? 0 : 1;
}
