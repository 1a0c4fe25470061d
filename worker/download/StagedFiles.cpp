#include "StagedFiles.h"

#include "StandardRecordFile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryFile>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
bool SyncPath(const QString &path, bool wholeFileSystem)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
#ifdef Q_OS_LINUX
    const int rc = wholeFileSystem ? ::syncfs(fd) : ::fsync(fd);
#else
    Q_UNUSED(wholeFileSystem)
    const int rc = ::fsync(fd);
#endif
    ::close(fd);
    return rc == 0;
}
#endif

// Every staged byte on disk before any target is replaced.
void FlushToDisk(const QStringList &temporaries)
{
#if defined(Q_OS_LINUX)
    // One flush of each file system the batch touched.
    QSet<QString> folders;
    for (const QString &t : temporaries)
        folders.insert(QFileInfo(t).absolutePath());
    for (const QString &folder : qAsConst(folders)) {
        if (!SyncPath(folder, true)) {
            for (const QString &t : temporaries)
                SyncPath(t, false);
            return;
        }
    }
#elif defined(Q_OS_UNIX)
    for (const QString &t : temporaries)
        SyncPath(t, false);
#else
    // No way to force the data out here: the files are closed and renamed.
    Q_UNUSED(temporaries)
#endif
}

bool MoveOver(const QString &from, const QString &to)
{
#ifdef Q_OS_UNIX
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#else
    QFile::remove(to);
    return QFile::rename(from, to);
#endif
}

} // namespace

StagedFiles::~StagedFiles()
{
    Discard();
}

bool StagedFiles::Stage(const QString &path, const QByteArray &bytes, QString *error)
{
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    file.setAutoRemove(false);
    const auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("Unable to write %1 - %2").arg(path, why);
        file.remove();
        return false;
    };
    if (!file.open())
        return fail(file.errorString());
    const char *data = bytes.constData();
    const qint64 size = bytes.size();
    for (qint64 done = 0; done < size;) {
        const qint64 chunk = std::min<qint64>(StandardRecordFile::WriteChunkSize, size - done);
        if (file.write(data + done, chunk) != chunk)
            return fail(file.errorString());
        done += chunk;
    }
    if (!file.flush())
        return fail(file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    m_files.append({file.fileName(), path});
    return true;
}

QStringList StagedFiles::Commit()
{
    QStringList failed;
    if (m_files.isEmpty())
        return failed;
    QStringList temporaries;
    for (const File &f : qAsConst(m_files))
        temporaries << f.temporary;
    FlushToDisk(temporaries);
    QSet<QString> folders;
    for (const File &f : qAsConst(m_files)) {
        if (MoveOver(f.temporary, f.target)) {
            folders.insert(QFileInfo(f.target).absolutePath());
        } else {
            qDebug().noquote() << "Unable to put" << f.target << "in place";
            QFile::remove(f.temporary);
            failed << f.target;
        }
    }
    m_files.clear();
#ifdef Q_OS_UNIX
    // The new names on disk too.
    for (const QString &folder : qAsConst(folders))
        SyncPath(folder, false);
#endif
    return failed;
}

void StagedFiles::Discard()
{
    for (const File &f : qAsConst(m_files))
        QFile::remove(f.temporary);
    m_files.clear();
}
