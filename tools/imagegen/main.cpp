// Draws the program's pictures and icons into a folder at build time.
// Usage: imagegen <output folder> [lettering font file]
#include "ImageGenerator.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: imagegen <output folder> [font file]\n");
        return 2;
    }
    const QString outputDir = args.at(1);
    if (!QDir().mkpath(outputDir)) {
        std::fprintf(stderr, "imagegen: cannot create %s\n", qPrintable(outputDir));
        return 1;
    }
    if (args.size() > 2)
        ImageGenerator::LoadLetteringFont(args.at(2));
    const QStringList failed = ImageGenerator::WriteAll(outputDir);
    for (const QString &name : failed)
        std::fprintf(stderr, "imagegen: cannot write %s\n", qPrintable(name));
    return failed.isEmpty() ? 0 : 1;
}
