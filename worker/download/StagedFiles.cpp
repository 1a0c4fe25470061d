#include "StagedFiles.h"

#include "StandardRecordFile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QRandomGenerator>

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

// Every staged byte on disk before any target is replaced.
void FlushToDisk(const QStringList &temporaries)
{
#if defined(Q_OS_LINUX)
    // One flush of each file system the batch touched; a single file is
    // cheaper flushed on its own than with its whole file system.
    if (temporaries.size() == 1) {
        SyncPath(temporaries.first(), false);
        return;
    }
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
#else
    for (const QString &t : temporaries)
        SyncPath(t, false);
#endif
}

bool MoveOver(const QString &from, const QString &to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// A new file beside `path` that no one else has opened, created with the
// permissions a new file of the user gets (the process's umask applies).
bool OpenTemporary(QFile &file, const QString &path)
{
    for (int attempt = 0; attempt < 64; ++attempt) {
        file.setFileName(QStringLiteral("%1.%2").arg(path).arg(QRandomGenerator::global()->generate(), 8, 16,
                                                                 QLatin1Char('0')));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return true;
        if (!file.exists())
            return false; // not a clash of names: the folder refuses
    }
    return false;
}
#endif

} // namespace

StagedFiles::~StagedFiles()
{
    Discard();
}

bool StagedFiles::Stage(const QString &path, const QByteArray &bytes, QString *error)
{
#ifdef Q_OS_UNIX
    QFile file;
    bool created = false;
    const auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("Unable to write %1 - %2").arg(path, why);
        if (created)
            file.remove();
        return false;
    };
    if (!OpenTemporary(file, path))
        return fail(file.errorString());
    created = true;
    // A replaced file keeps its permissions, as it would with a save file.
    if (QFileInfo::exists(path))
        file.setPermissions(QFile::permissions(path));
    if (!StandardRecordFile::WriteChunked(file, bytes) || !file.flush())
        return fail(file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    m_files.append({file.fileName(), path});
    return true;
#else
    // Without an atomic rename over an existing file, each file is saved on
    // its own through a save file, which is.
    return StandardRecordFile::WriteFileSafely(path, bytes, error);
#endif
}

QStringList StagedFiles::Commit()
{
#ifndef Q_OS_UNIX
    return {}; // nothing is staged: every file was saved as it came
#else
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
    // The new names on disk too.
    for (const QString &folder : qAsConst(folders))
        SyncPath(folder, false);
    return failed;
#endif
}

void StagedFiles::Discard()
{
    for (const File &f : qAsConst(m_files))
        QFile::remove(f.temporary);
    m_files.clear();
}
