#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>

// The folder a seed-corpus generator writes into: its one argument.
class CorpusFolder
{
public:
    // Takes the folder from the command line and makes it. Returns 0, or the
    // exit code for the generator: 2 for a wrong command line (the usage is
    // printed), 1 when the folder cannot be made.
    static int Open(int argc, char **argv, QDir &dir);
    // Writes one seed file; false when it could not be written whole.
    static bool Write(const QDir &dir, const QString &name, const QByteArray &bytes);
};
