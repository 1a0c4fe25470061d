#include "AspectRatioPixmapLabel.h"

#include <QtTest>

class tst_AspectRatioPixmapLabel : public QObject
{
    Q_OBJECT
private slots:
    void heightFollowsPicture_data();
    void heightFollowsPicture();
    void resizeRescalesStoredPicture();
    void withoutPicture();
};

void tst_AspectRatioPixmapLabel::heightFollowsPicture_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("4:3 at 200") << QSize(400, 300) << 200 << 150;
    QTest::newRow("4:3 at 1000") << QSize(400, 300) << 1000 << 750;
    QTest::newRow("tall picture") << QSize(100, 400) << 50 << 200;
}

void tst_AspectRatioPixmapLabel::heightFollowsPicture()
{
    QFETCH(QSize, picture);
    QFETCH(int, width);
    QFETCH(int, height);
    AspectRatioPixmapLabel label;
    QPixmap pixmap(picture);
    pixmap.fill(Qt::yellow);
    label.setPixmap(pixmap);
    QCOMPARE(label.heightForWidth(width), height);
    label.resize(width, 10);
    QCOMPARE(label.sizeHint(), QSize(width, height));
}

void tst_AspectRatioPixmapLabel::resizeRescalesStoredPicture()
{
    AspectRatioPixmapLabel label;
    QPixmap pixmap(400, 300);
    pixmap.fill(Qt::yellow);
    label.resize(200, 300);
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    label.setPixmap(pixmap);
    // Scaled into the label, aspect ratio kept.
    QCOMPARE(label.pixmap(Qt::ReturnByValue).size(), QSize(200, 150));
    // Growing again scales from the stored original, not from the shown copy.
    label.resize(800, 600);
    QCOMPARE(label.pixmap(Qt::ReturnByValue).size(), QSize(800, 600));
    label.resize(800, 300);
    QCOMPARE(label.pixmap(Qt::ReturnByValue).size(), QSize(400, 300));
}

void tst_AspectRatioPixmapLabel::withoutPicture()
{
    AspectRatioPixmapLabel label;
    QCOMPARE(label.minimumSize(), QSize(1, 1));
    QVERIFY(!label.hasScaledContents());
    label.resize(120, 70);
    QCOMPARE(label.heightForWidth(500), 70);
    // A missing image file leaves an empty label, nothing more.
    label.setPixmap(QPixmap(QStringLiteral(":/Images/does-not-exist.bmp")));
    QVERIFY(label.pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(label.heightForWidth(500), 70);
}

QTEST_MAIN(tst_AspectRatioPixmapLabel)
#include "tst_AspectRatioPixmapLabel.moc"
