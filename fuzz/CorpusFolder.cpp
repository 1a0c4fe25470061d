#include "CorpusFolder.h"

#include <QFile>

#include <cstdio>

int CorpusFolder::Open(int argc, char **argv, QDir &dir)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    dir.setPath(QString::fromLocal8Bit(argv[1]));
    return dir.mkpath(QStringLiteral(".")) ? 0 : 1;
}

bool CorpusFolder::Write(const QDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
