// A disabled button must look disabled: the pictures of a button enabled and
// disabled are compared, for every button look and for the main window's
// DOWNLOAD and UPLOAD buttons as the user sees them.

#include "MainDialog.h"
#include "SimulatedPortEnumerator.h"
#include "WindowStyle.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QtTest>

#include <algorithm>

namespace {

// A point of the button's background, away from its text.
QColor backgroundOf(QWidget *button)
{
    return button->grab().toImage().pixelColor(button->width() - 3, 3);
}

// The brightest point of the button as it stands on its window: the text of
// a button without a background.
int brightestOf(QWidget *button)
{
    const QImage image = button->window()->grab(QRect(button->mapTo(button->window(), QPoint()), button->size()))
                             .toImage();
    int brightest = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            brightest = std::max(brightest, qGray(image.pixel(x, y)));
    }
    return brightest;
}

bool isGrey(const QColor &colour)
{
    return colour.red() == colour.green() && colour.green() == colour.blue();
}

QString describe(const QColor &colour)
{
    return QStringLiteral("rgb(%1, %2, %3)").arg(colour.red()).arg(colour.green()).arg(colour.blue());
}

} // namespace

class tst_ButtonLooks : public QObject
{
    Q_OBJECT
private slots:
    void filledButtons_data();
    void filledButtons();
    void textOnlyButtons_data();
    void textOnlyButtons();
    void downloadAndUploadWithoutHandset();
};

void tst_ButtonLooks::filledButtons_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<QColor>("enabledBackground");
    QTest::addColumn<bool>("dialogSheet");

    const QList<QPair<const char *, QColor>> looks = {
        {"BtnYellow", QColor(255, 221, 0)},          {"BtnYellowNoIcon", QColor(255, 221, 0)},
        {"BtnYellowIconRight", QColor(255, 221, 0)}, {"BtnWhite", QColor(255, 255, 255)},
        {"BtnWhiteNoIcon", QColor(255, 255, 255)},   {"BtnOffWhite", QColor(246, 246, 246)},
        {"BtnOffWhiteNoIcon", QColor(246, 246, 246)},
    };
    for (const auto &look : looks) {
        QTest::addRow("%s, main window style", look.first) << QString::fromLatin1(look.first) << look.second << false;
        QTest::addRow("%s, dialog style", look.first) << QString::fromLatin1(look.first) << look.second << true;
    }
}

void tst_ButtonLooks::filledButtons()
{
    QFETCH(QString, property);
    QFETCH(QColor, enabledBackground);
    QFETCH(bool, dialogSheet);

    QDialog dialog;
    if (dialogSheet)
        WindowStyle::ApplyDialogLook(&dialog);
    else
        qApp->setStyleSheet(WindowStyle::ApplicationStyleSheet());
    auto *layout = new QHBoxLayout(&dialog);
    auto *button = new QPushButton(QStringLiteral("DOWNLOAD"), &dialog);
    button->setProperty(qPrintable(property), true);
    button->setMinimumSize(200, 40);
    layout->addWidget(button);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    const QColor enabled = backgroundOf(button);
    QCOMPARE(describe(enabled), describe(enabledBackground));
    button->setEnabled(false);
    const QColor disabled = backgroundOf(button);
    qApp->setStyleSheet(QString());

    // Neither the live colour nor any live button's colour, nor the grey a
    // pressed button shows: a flat grey of its own.
    QVERIFY2(disabled != enabled, qPrintable(describe(disabled)));
    QVERIFY2(isGrey(disabled), qPrintable(describe(disabled)));
    for (const QColor &live : {QColor(255, 221, 0), QColor(255, 255, 255), QColor(246, 246, 246),
                               QColor(229, 229, 229), QColor(171, 171, 171)})
        QVERIFY2(disabled != live, qPrintable(describe(disabled)));
}

void tst_ButtonLooks::textOnlyButtons_data()
{
    QTest::addColumn<QString>("property");
    QTest::newRow("BtnMenu") << "BtnMenu";
    QTest::newRow("BtnMenuNoIcon") << "BtnMenuNoIcon";
}

void tst_ButtonLooks::textOnlyButtons()
{
    QFETCH(QString, property);
    QDialog dialog;
    WindowStyle::ApplyDialogLook(&dialog);
    auto *layout = new QHBoxLayout(&dialog);
    auto *button = new QPushButton(QStringLiteral("SETTINGS"), &dialog);
    button->setProperty(qPrintable(property), true);
    layout->addWidget(button);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    const int enabled = brightestOf(button);
    button->setEnabled(false);
    const int disabled = brightestOf(button);
    // The text dims to the disabled grey.
    QVERIFY2(disabled < enabled, qPrintable(QStringLiteral("%1 / %2").arg(disabled).arg(enabled)));
    QVERIFY2(disabled <= 110, qPrintable(QString::number(disabled)));
}

void tst_ButtonLooks::downloadAndUploadWithoutHandset()
{
    MainDialog window(std::make_shared<SimulatedPortEnumerator>());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(window.LastConnectionStatus(), 1);
    for (const char *name : {"downloadBtn", "uploadBtn"}) {
        auto *button = window.findChild<QPushButton *>(QLatin1String(name));
        QVERIFY(!button->isEnabled());
        const QColor disabled = backgroundOf(button);
        button->setEnabled(true);
        const QColor enabled = backgroundOf(button);
        button->setEnabled(false);
        QCOMPARE(describe(enabled), describe(QColor(255, 221, 0)));
        QVERIFY2(isGrey(disabled), qPrintable(QLatin1String(name) + QLatin1Char(' ') + describe(disabled)));
    }
    qApp->setStyleSheet(QString());
}

QTEST_MAIN(tst_ButtonLooks)
#include "tst_ButtonLooks.moc"
