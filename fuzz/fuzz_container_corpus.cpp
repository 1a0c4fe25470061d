// Writes the seed corpus of fuzz_container: record streams of log, memory and
// upload files, and whole files in each of the three forms.
#include "CorpusFolder.h"
#include "LogFileWriter.h"
#include "SRUploadDataBlock.h"
#include "StandardRecordFile.h"

#include <QCoreApplication>
#include <QDir>

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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QDir dir;
    if (const int failed = CorpusFolder::Open(argc, argv, dir))
        return failed;

    bool ok = true;
    const QByteArray narrow = LogFileWriter::RecordStream(Content(false, 3));
    const QByteArray wide = LogFileWriter::RecordStream(Content(true, 3));
    const QByteArray depot = LogFileWriter::RecordStream(Content(false, 1));
    ok = ok && CorpusFolder::Write(dir, QStringLiteral("stream_narrow"), narrow);
    ok = ok && CorpusFolder::Write(dir, QStringLiteral("stream_wide"), wide);
    ok = ok && CorpusFolder::Write(dir, QStringLiteral("stream_depot"), depot);
    ok = ok && CorpusFolder::Write(dir, QStringLiteral("plain_narrow"), StandardRecordFile::PlainContainer(narrow));
    ok = ok && CorpusFolder::Write(dir, QStringLiteral("secured_wide"), StandardRecordFile::SecuredContainer(wide));
    QByteArray text;
    for (const QString &line : LogFileWriter::TextLines(Content(false, 3)))
        text += line.toLatin1() + '\n';
    ok = ok && CorpusFolder::Write(dir, QStringLiteral("text_narrow"), text);

    SRFileHeader upload = SRFileHeader::UploadForm();
    upload.SetUploadContainerType(3);
    SRUploadDataBlock block;
    SRUploadDataBlock::Create({QStringLiteral(":0400000001020304F2"), QStringLiteral(":00000001FF")}, block);
    const QByteArray uploadStream = StandardRecord::Create(RecordType::FileHeader, upload.Payload()).Encoded()
        + StandardRecord::Create(RecordType::UploadDataBlock, block.Payload()).Encoded();
    ok = ok && CorpusFolder::Write(dir, QStringLiteral("stream_upload"), uploadStream);
    ok = ok && CorpusFolder::Write(dir, QStringLiteral("payload_upload"), block.Payload());
    return ok ? 0 : 1;
}
