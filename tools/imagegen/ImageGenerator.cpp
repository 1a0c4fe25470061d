#include "ImageGenerator.h"

#include "IcoWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor DarkGrey(62, 62, 62);
const QColor MidGrey(156, 156, 156);
const QColor Yellow(255, 221, 0);
const QColor IconInk(40, 40, 40);

QString g_letteringFamily;

QFont LetteringFont(int pixelSize)
{
    QFont font = g_letteringFamily.isEmpty() ? QFont() : QFont(g_letteringFamily);
    font.setPixelSize(qMax(1, pixelSize));
    font.setBold(true);
    return font;
}

// The maker's mark: a yellow ring with a short tail, like a "Q" seen from
// above, on a dark rounded square.
void DrawMark(QPainter &p, const QRectF &box, bool withBackground)
{
    const qreal s = qMin(box.width(), box.height());
    const QPointF c = box.center();
    if (withBackground) {
        p.setPen(Qt::NoPen);
        p.setBrush(DarkGrey);
        p.drawRoundedRect(QRectF(c.x() - s / 2, c.y() - s / 2, s, s), s * 0.18, s * 0.18);
    }
    QPen ring(Yellow, s * 0.12, Qt::SolidLine, Qt::RoundCap);
    p.setPen(ring);
    p.setBrush(Qt::NoBrush);
    const qreal r = s * 0.30;
    p.drawEllipse(c, r, r);
    p.drawLine(c + QPointF(r * 0.45, r * 0.45), c + QPointF(r * 1.15, r * 1.15));
}

QPainterPath Arrow(const QRectF &box, bool down)
{
    // A thick vertical arrow filling `box`.
    const qreal w = box.width();
    const qreal h = box.height();
    const qreal shaft = w * 0.36;
    const qreal headH = h * 0.45;
    QPainterPath path;
    const qreal cx = box.center().x();
    if (down) {
        path.moveTo(cx - shaft / 2, box.top());
        path.lineTo(cx + shaft / 2, box.top());
        path.lineTo(cx + shaft / 2, box.bottom() - headH);
        path.lineTo(box.right(), box.bottom() - headH);
        path.lineTo(cx, box.bottom());
        path.lineTo(box.left(), box.bottom() - headH);
        path.lineTo(cx - shaft / 2, box.bottom() - headH);
    } else {
        path.moveTo(cx - shaft / 2, box.bottom());
        path.lineTo(cx + shaft / 2, box.bottom());
        path.lineTo(cx + shaft / 2, box.top() + headH);
        path.lineTo(box.right(), box.top() + headH);
        path.lineTo(cx, box.top());
        path.lineTo(box.left(), box.top() + headH);
        path.lineTo(cx - shaft / 2, box.top() + headH);
    }
    path.closeSubpath();
    return path;
}

QImage Transparent(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

void ImageGenerator::LoadLetteringFont(const QString &fontPath)
{
    const int id = QFontDatabase::addApplicationFont(fontPath);
    if (id >= 0) {
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty())
            g_letteringFamily = families.first();
    }
}

QImage ImageGenerator::Splash(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(DarkGrey);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width();
    const qreal h = size.height();

    // Yellow accent band along the bottom, thin grey rule above it.
    p.fillRect(QRectF(0, h * 0.90, w, h * 0.10), Yellow);
    p.fillRect(QRectF(w * 0.08, h * 0.80, w * 0.84, qMax(1.0, h * 0.004)), MidGrey);

    DrawMark(p, QRectF(w * 0.08, h * 0.22, h * 0.42, h * 0.42), false);

    p.setPen(Qt::white);
    p.setFont(LetteringFont(int(h * 0.20)));
    p.drawText(QRectF(w * 0.08 + h * 0.50, h * 0.20, w, h * 0.26),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TESSARO"));
    p.setPen(MidGrey);
    p.setFont(LetteringFont(int(h * 0.07)));
    p.drawText(QRectF(w * 0.08 + h * 0.52, h * 0.46, w, h * 0.12),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("QUOR"));
    p.end();
    return image;
}

QImage ImageGenerator::TransferPicture(bool download, bool enabled)
{
    const int w = 400;
    const int h = 300;
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const QColor body = enabled ? DarkGrey : QColor(200, 200, 200);
    const QColor screen = enabled ? QColor(20, 20, 20) : QColor(225, 225, 225);
    const QColor accent = enabled ? Yellow : QColor(210, 210, 210);

    // Handset on the left, computer on the right, arrow between them.
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawRoundedRect(QRectF(40, 70, 110, 160), 22, 22);
    p.setBrush(screen);
    p.drawRoundedRect(QRectF(55, 90, 80, 70), 8, 8);
    p.setBrush(accent);
    p.drawEllipse(QPointF(95, 195), 14, 14);

    p.setBrush(body);
    p.drawRoundedRect(QRectF(250, 80, 120, 90), 6, 6);
    p.drawRect(QRectF(300, 170, 20, 25));
    p.drawRoundedRect(QRectF(270, 195, 80, 12), 4, 4);
    p.setBrush(screen);
    p.drawRect(QRectF(260, 90, 100, 70));

    // The arrow points from the source to the destination: a download runs
    // from the handset to the computer.
    QTransform turn;
    turn.translate(200, 150);
    turn.rotate(download ? -90 : 90);
    turn.translate(-200, -150);
    p.setBrush(accent);
    p.drawPath(turn.map(Arrow(QRectF(175, 110, 50, 80), true)));
    p.end();
    return image;
}

QStringList ImageGenerator::ButtonIconNames()
{
    return {QStringLiteral("deviceinfoleft.png"), QStringLiteral("supportconnect.png"),
            QStringLiteral("sendmessage.png"),    QStringLiteral("search.png"),
            QStringLiteral("clock.png"),          QStringLiteral("browse.png"),
            QStringLiteral("upload.png"),         QStringLiteral("download.png")};
}

QImage ImageGenerator::ButtonIcon(const QString &name)
{
    QImage image = Transparent(32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(IconInk, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);

    if (name == QLatin1String("deviceinfoleft.png")) {
        p.drawEllipse(QPointF(16, 16), 13, 13);
        p.setPen(Qt::NoPen);
        p.setBrush(IconInk);
        p.drawEllipse(QPointF(16, 9.5), 2.2, 2.2);
        p.drawRoundedRect(QRectF(14, 13, 4, 11), 1.5, 1.5);
    } else if (name == QLatin1String("supportconnect.png")) {
        // Two plug halves meeting.
        p.drawLine(QPointF(4, 16), QPointF(10, 16));
        p.drawLine(QPointF(22, 16), QPointF(28, 16));
        p.setBrush(IconInk);
        p.drawRoundedRect(QRectF(10, 10, 6, 12), 1, 1);
        p.drawRoundedRect(QRectF(17, 10, 5, 12), 1, 1);
    } else if (name == QLatin1String("sendmessage.png")) {
        QPainterPath plane;
        plane.moveTo(3, 15);
        plane.lineTo(29, 4);
        plane.lineTo(19, 28);
        plane.lineTo(15, 18);
        plane.closeSubpath();
        p.setBrush(IconInk);
        p.drawPath(plane);
    } else if (name == QLatin1String("search.png")) {
        p.drawEllipse(QPointF(13, 13), 8, 8);
        p.setPen(QPen(IconInk, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(19, 19), QPointF(28, 28));
    } else if (name == QLatin1String("clock.png")) {
        p.drawEllipse(QPointF(16, 16), 13, 13);
        p.drawLine(QPointF(16, 16), QPointF(16, 8));
        p.drawLine(QPointF(16, 16), QPointF(22, 19));
    } else if (name == QLatin1String("browse.png")) {
        QPainterPath folder;
        folder.moveTo(3, 8);
        folder.lineTo(12, 8);
        folder.lineTo(15, 11);
        folder.lineTo(29, 11);
        folder.lineTo(29, 26);
        folder.lineTo(3, 26);
        folder.closeSubpath();
        p.drawPath(folder);
    } else if (name == QLatin1String("upload.png") || name == QLatin1String("download.png")) {
        const bool down = name == QLatin1String("download.png");
        p.setPen(Qt::NoPen);
        p.setBrush(IconInk);
        p.drawPath(Arrow(QRectF(7, 3, 18, 20), down));
        p.drawRect(QRectF(5, 26, 22, 3));
    }
    p.end();
    return image;
}

QImage ImageGenerator::LogoMark(int size, const QString &letters)
{
    QImage image = Transparent(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    DrawMark(p, QRectF(0, 0, size, size), true);
    // Very small icons stay plain: letters would not read.
    if (!letters.isEmpty() && size >= 32) {
        p.setPen(Qt::white);
        p.setFont(LetteringFont(int(size * (letters.size() > 1 ? 0.22 : 0.30))));
        p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, letters);
    }
    p.end();
    return image;
}

QImage ImageGenerator::Logo()
{
    QImage image(160, 48, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    DrawMark(p, QRectF(4, 4, 40, 40), false);
    p.setPen(Qt::white);
    p.setFont(LetteringFont(28));
    p.drawText(QRectF(54, 0, 106, 48), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("QUOR"));
    p.end();
    return image;
}

QVector<int> ImageGenerator::ProgramIconSizes()
{
    return {16, 32, 48, 64, 128, 256};
}

QString ImageGenerator::ProgramIconName(int size)
{
    return QStringLiteral("icons/hicolor/%1x%1/apps/tessaro.png").arg(size);
}

QStringList ImageGenerator::WriteAll(const QString &outputDir)
{
    QStringList failed;
    auto save = [&](const QImage &image, const QString &name, const char *format) {
        const QString path = outputDir + QLatin1Char('/') + name;
        if (!QDir().mkpath(QFileInfo(path).path()) || !image.save(path, format))
            failed.append(name);
    };

    save(Splash(QSize(600, 350)), QStringLiteral("TessaroSplashSmall.bmp"), "BMP");
    save(Splash(QSize(900, 525)), QStringLiteral("TessaroSplashMedium.bmp"), "BMP");
    save(Splash(QSize(1200, 700)), QStringLiteral("TessaroSplashLarge.bmp"), "BMP");
    save(TransferPicture(true, true), QStringLiteral("downloadlargest.bmp"), "BMP");
    save(TransferPicture(true, false), QStringLiteral("downloadlargest_disabled.bmp"), "BMP");
    save(TransferPicture(false, true), QStringLiteral("uploadlargest.bmp"), "BMP");
    save(TransferPicture(false, false), QStringLiteral("uploadlargest_disabled.bmp"), "BMP");
    const QStringList icons = ButtonIconNames();
    for (const QString &name : icons)
        save(ButtonIcon(name), name, "PNG");
    save(Logo(), QStringLiteral("logo.png"), "PNG");

    // The program's icon for the desktop (the main window's mark), laid out
    // as the icon theme's folders so that it installs as one tree.
    for (int size : ProgramIconSizes())
        save(LogoMark(size, QStringLiteral("C")), ProgramIconName(size), "PNG");

    const struct { const char *file; const char *letters; } windowIcons[] = {
        {"Quor.ico", ""}, {"Quor-C.ico", "C"}, {"Quor-DS.ico", "DS"},
    };
    for (const auto &icon : windowIcons) {
        QVector<QImage> sizes;
        for (int size : {16, 32, 48, 256})
            sizes.append(LogoMark(size, QString::fromLatin1(icon.letters)));
        if (!IcoWriter::Write(outputDir + QLatin1Char('/') + QLatin1String(icon.file), sizes))
            failed.append(QLatin1String(icon.file));
    }
    return failed;
}
