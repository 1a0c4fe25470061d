#include "IcoWriter.h"

#include <QDataStream>
#include <QFile>

namespace {

QByteArray DibEntry(const QImage &source)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width();
    const int h = image.height();
    const int maskStride = ((w + 31) / 32) * 4;

    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    // Header: the height counts the colour rows and the mask rows together.
    s << quint32(40) << qint32(w) << qint32(h * 2) << quint16(1) << quint16(32)
      << quint32(0) << quint32(w * h * 4 + maskStride * h)
      << qint32(0) << qint32(0) << quint32(0) << quint32(0);
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            s << quint8(qBlue(line[x])) << quint8(qGreen(line[x]))
              << quint8(qRed(line[x])) << quint8(qAlpha(line[x]));
        }
    }
    // AND mask all clear: transparency comes from the alpha channel.
    for (int i = 0; i < maskStride * h; ++i)
        s << quint8(0);
    return out;
}

} // namespace

QByteArray IcoWriter::Encode(const QVector<QImage> &images)
{
    QVector<QByteArray> entries;
    for (const QImage &image : images)
        entries.append(DibEntry(image));

    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << quint16(0) << quint16(1) << quint16(images.size());
    quint32 offset = 6 + 16 * quint32(images.size());
    for (int i = 0; i < images.size(); ++i) {
        const int w = images[i].width();
        const int h = images[i].height();
        // A dimension of 256 is stored as 0.
        s << quint8(w >= 256 ? 0 : w) << quint8(h >= 256 ? 0 : h) << quint8(0) << quint8(0)
          << quint16(1) << quint16(32) << quint32(entries[i].size()) << offset;
        offset += quint32(entries[i].size());
    }
    for (const QByteArray &entry : entries)
        out.append(entry);
    return out;
}

bool IcoWriter::Write(const QString &path, const QVector<QImage> &images)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray data = Encode(images);
    return file.write(data) == data.size();
}
