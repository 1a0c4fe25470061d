#pragma once

#include <QLabel>
#include <QPixmap>

// A picture label that keeps its own unscaled copy of the picture and shows
// it scaled to the label's size with the aspect ratio kept.
class AspectRatioPixmapLabel : public QLabel
{
    Q_OBJECT
public:
    explicit AspectRatioPixmapLabel(QWidget *parent = nullptr);

    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QPixmap ScaledPixmap() const;

public slots:
    void setPixmap(const QPixmap &pixmap);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QPixmap m_pixmap;
};
