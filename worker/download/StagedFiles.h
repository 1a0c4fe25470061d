#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// Files written as a batch that is made durable at once: each file goes to
// a temporary file beside its target (in chunks of at most 100 bytes), and
// Commit flushes the whole batch to disk in one go before it renames every
// temporary file over its target. A target is therefore either untouched or
// complete, as with a save file per target, but a download of thousands of
// dives waits for the disk once instead of once a file. A new target gets the
// permissions of any new file of the user, a replaced one keeps its own.
// Where renaming over an existing file is not atomic (not Unix), each file is
// saved through a save file as it is staged, and Commit has nothing to do.
class StagedFiles
{
public:
    StagedFiles() = default;
    ~StagedFiles(); // discards what was not committed
    StagedFiles(const StagedFiles &) = delete;
    StagedFiles &operator=(const StagedFiles &) = delete;

    // Writes the bytes for `path`; false (and nothing staged) when the
    // temporary file cannot be written.
    bool Stage(const QString &path, const QByteArray &bytes, QString *error = nullptr);
    // Flushes the staged files to disk and moves them into place, in the
    // order they were staged. Returns the targets that could not be put in
    // place (their temporary files are removed). The batch is empty after.
    QStringList Commit();
    // Removes every staged temporary file.
    void Discard();

private:
    struct File {
        QString temporary;
        QString target;
    };
    QVector<File> m_files;
};
