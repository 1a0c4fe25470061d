#pragma once

#include <QImage>
#include <QString>
#include <QVector>

// Writes a Windows icon file holding several sizes of one picture. Qt's own
// icon writer stores a single image only; window icons want several sizes.
// Each entry is a classic 32-bit BGRA device-independent bitmap, which every
// icon reader understands.
class IcoWriter
{
public:
    static QByteArray Encode(const QVector<QImage> &images);
    static bool Write(const QString &path, const QVector<QImage> &images);
};
