#include "AspectRatioPixmapLabel.h"

AspectRatioPixmapLabel::AspectRatioPixmapLabel(QWidget *parent)
    : QLabel(parent)
{
    setMinimumSize(1, 1);
    setScaledContents(false);
}

void AspectRatioPixmapLabel::setPixmap(const QPixmap &pixmap)
{
    m_pixmap = pixmap;
    QLabel::setPixmap(ScaledPixmap());
}

int AspectRatioPixmapLabel::heightForWidth(int width) const
{
    if (m_pixmap.isNull() || m_pixmap.width() == 0)
        return height();
    return m_pixmap.height() * width / m_pixmap.width();
}

QSize AspectRatioPixmapLabel::sizeHint() const
{
    const int w = width();
    return QSize(w, heightForWidth(w));
}

QPixmap AspectRatioPixmapLabel::ScaledPixmap() const
{
    if (m_pixmap.isNull())
        return m_pixmap;
    return m_pixmap.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void AspectRatioPixmapLabel::resizeEvent(QResizeEvent *event)
{
    if (!m_pixmap.isNull())
        QLabel::setPixmap(ScaledPixmap());
    QLabel::resizeEvent(event);
}
