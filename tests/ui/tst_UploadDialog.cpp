// The upload window on its own (buttons, messages, progress label, closing)
// and opened from the main window against a simulated rebreather.

#include "AppSettings.h"
#include "CcrBuilder.h"
#include "MainDialog.h"
#include "ModalResponder.h"
#include "RebreatherSimulator.h"
#include "SimClockUnit.h"
#include "SimFirmware.h"
#include "SimProfiles.h"
#include "SimulatedPortEnumerator.h"
#include "UploadDialog.h"
#include "WindowParts.h"
#include "WorkerC.h"
#include "ok.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QString ProgressText(QWidget &w)
{
    return w.findChild<QLabel *>(QStringLiteral("progressLabel"))->text();
}

struct ButtonStates
{
    bool select, upload, close;
    bool operator==(const ButtonStates &o) const
    {
        return select == o.select && upload == o.upload && close == o.close;
    }
};

ButtonStates States(QWidget &w)
{
    return {Button(&w, "selectBtn")->isEnabled(), Button(&w, "uploadBtn")->isEnabled(),
            Button(&w, "closeBtn")->isEnabled()};
}

char *toString(const ButtonStates &s)
{
    return QTest::toString(QStringLiteral("select %1 upload %2 close %3").arg(s.select).arg(s.upload).arg(s.close));
}

} // namespace

class tst_UploadDialog : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void widgetsAndTexts();
    void browseLoadUploadCycle();
    void cancelledBrowseLeavesUploadDisabled();
    void failedLoadLeavesUploadDisabled();
    void messageLines_data();
    void messageLines();
    void progressLabel_data();
    void progressLabel();
    void escapeDuringUploadKeepsTheWindow();
    void disconnectionClosesTheWindow();
    void uploadFromTheMainWindow_data();
    void uploadFromTheMainWindow();
};

void tst_UploadDialog::init()
{
    AppSettings::SetValue(AppSettings::Key::UploadDirectory, QString());
    AppSettings::SetValue(AppSettings::Key::GeometryUpload, QByteArray());
}

void tst_UploadDialog::widgetsAndTexts()
{
    UploadDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Upload"));
    QCOMPARE(dialog.size(), QSize(542, 300));
    QCOMPARE(Button(&dialog, "selectBtn")->text(), QStringLiteral("&BROWSE"));
    QCOMPARE(Button(&dialog, "uploadBtn")->text(), QStringLiteral("&UPLOAD"));
    QCOMPARE(Button(&dialog, "closeBtn")->text(), QStringLiteral("&CLOSE"));
    QVERIFY(Button(&dialog, "selectBtn")->property("BtnYellow").toBool());
    QVERIFY(Button(&dialog, "uploadBtn")->property("BtnYellow").toBool());
    QVERIFY(Button(&dialog, "closeBtn")->property("BtnWhiteNoIcon").toBool());
    QCOMPARE(Button(&dialog, "selectBtn")->whatsThis(), QStringLiteral("Choose upgrade file."));
    QCOMPARE(Button(&dialog, "uploadBtn")->whatsThis(), QStringLiteral("Upload file to device."));
    auto *bar = dialog.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    QCOMPARE(bar->maximum(), 1000);
    QVERIFY(!bar->isTextVisible());
    QVERIFY(dialog.findChild<QPlainTextEdit *>(QStringLiteral("messagesEdit"))->isReadOnly());
    QCOMPARE(States(dialog), (ButtonStates{true, false, true}));
}

void tst_UploadDialog::browseLoadUploadCycle()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("update.ccr"));
    UploadDialog dialog;
    QString folderOffered = QStringLiteral("unset");
    dialog.SetFileChooser([&](QWidget *, const QString &folder) {
        folderOffered = folder;
        return file;
    });
    QSignalSpy loads(&dialog, &UploadDialog::LoadUploadFile);
    QSignalSpy uploads(&dialog, &UploadDialog::UploadFile);
    dialog.show();

    QTest::mouseClick(Button(&dialog, "selectBtn"), Qt::LeftButton);
    QCOMPARE(folderOffered, QString());
    QCOMPARE(loads.count(), 1);
    QCOMPARE(loads.at(0).at(0).toString(), file);
    QCOMPARE(Messages(&dialog), QStringLiteral("Opening update.ccr"));
    QCOMPARE(AppSettings::StringValue(AppSettings::Key::UploadDirectory), dir.path());
    QVERIFY(dialog.IsLoading());
    QCOMPARE(States(dialog), (ButtonStates{false, false, false}));
    QCOMPARE(dialog.cursor().shape(), Qt::WaitCursor);

    dialog.UploadFileMsg(QStringLiteral("Firmware Upgrade"));
    dialog.UploadTimeEstimate(125);
    dialog.LoadUploadFileResult(true, QString());
    QCOMPARE(States(dialog), (ButtonStates{true, true, true}));
    QCOMPARE(dialog.cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(ProgressText(dialog), QStringLiteral("Estimated Time 2:05"));

    QTest::mouseClick(Button(&dialog, "uploadBtn"), Qt::LeftButton);
    QCOMPARE(uploads.count(), 1);
    QCOMPARE(States(dialog), (ButtonStates{false, false, false}));
    QVERIFY(Messages(&dialog).endsWith(QStringLiteral("Uploading file")));
    dialog.UploadFileProgress(1.0);
    QCOMPARE(ProgressText(dialog), QStringLiteral("Completed"));
    dialog.UploadFileResult(true, QStringLiteral("Upload complete"));
    // The same file can be written again.
    QCOMPARE(States(dialog), (ButtonStates{true, true, true}));
    QCOMPARE(Messages(&dialog),
             QStringLiteral("Opening update.ccr\nFirmware Upgrade\nUploading file\nUpload complete"));

    // The next BROWSE opens in the folder of the last file.
    QTest::mouseClick(Button(&dialog, "selectBtn"), Qt::LeftButton);
    QCOMPARE(folderOffered, dir.path());
}

void tst_UploadDialog::cancelledBrowseLeavesUploadDisabled()
{
    UploadDialog dialog;
    QString chosen = QStringLiteral("/tmp/first.ccr");
    dialog.SetFileChooser([&](QWidget *, const QString &) { return chosen; });
    dialog.show();
    QTest::mouseClick(Button(&dialog, "selectBtn"), Qt::LeftButton);
    dialog.LoadUploadFileResult(true, QString());
    QVERIFY(Button(&dialog, "uploadBtn")->isEnabled());

    chosen.clear(); // the file dialog is cancelled
    QTest::mouseClick(Button(&dialog, "selectBtn"), Qt::LeftButton);
    QCOMPARE(States(dialog), (ButtonStates{true, false, true}));
    QVERIFY(!dialog.IsLoading());
    QVERIFY(!dialog.IsLoaded());
    QCOMPARE(Messages(&dialog), QString());
}

void tst_UploadDialog::failedLoadLeavesUploadDisabled()
{
    UploadDialog dialog;
    dialog.SetFileChooser([](QWidget *, const QString &) { return QStringLiteral("/tmp/update.hex"); });
    dialog.show();
    QTest::mouseClick(Button(&dialog, "selectBtn"), Qt::LeftButton);
    dialog.LoadUploadFileResult(false, QStringLiteral("Invalid file extension"));
    QCOMPARE(States(dialog), (ButtonStates{true, false, true}));
    QCOMPARE(Messages(&dialog), QStringLiteral("Opening update.hex\nInvalid file extension"));
}

void tst_UploadDialog::messageLines_data()
{
    QTest::addColumn<QString>("msg");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("two separators between two words") << "first~~~~~~second" << QStringList{"first", "second"};
    QTest::newRow("leading and trailing separators") << "~~~Unable to open the file~~~"
                                                     << QStringList{"Unable to open the file"};
    QTest::newRow("no separator") << "Upload failed" << QStringList{"Upload failed"};
    QTest::newRow("only separators") << "~~~~~~" << QStringList{};
}

void tst_UploadDialog::messageLines()
{
    QFETCH(QString, msg);
    QFETCH(QStringList, lines);
    UploadDialog dialog;
    dialog.UploadFileMsg(msg);
    QCOMPARE(Messages(&dialog), lines.join(QLatin1Char('\n')));
    QCOMPARE(UploadDialog::MessageLines(msg), lines);
}

void tst_UploadDialog::progressLabel_data()
{
    QTest::addColumn<int>("estimate");
    QTest::addColumn<double>("progress");
    QTest::addColumn<QString>("text");
    QTest::newRow("125 s, half way") << 125 << 0.5 << "Remaining Time 1:02";
    QTest::newRow("59 s, start") << 59 << 0.001 << "Remaining Time 0:58";
    QTest::newRow("600 s, a tenth") << 600 << 0.1 << "Remaining Time 9:00";
    QTest::newRow("done") << 125 << 1.0 << "Completed";
    QTest::newRow("no estimate") << 0 << 0.5 << "";
}

void tst_UploadDialog::progressLabel()
{
    QFETCH(int, estimate);
    QFETCH(double, progress);
    QFETCH(QString, text);
    UploadDialog dialog;
    dialog.UploadTimeEstimate(estimate);
    dialog.UploadFileProgress(progress);
    QCOMPARE(dialog.findChild<QProgressBar *>(QStringLiteral("progressBar"))->value(), int(progress * 1000));
    QCOMPARE(ProgressText(dialog), text);
}

void tst_UploadDialog::escapeDuringUploadKeepsTheWindow()
{
    UploadDialog dialog;
    dialog.SetFileChooser([](QWidget *, const QString &) { return QStringLiteral("/tmp/update.ccr"); });
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(Button(&dialog, "selectBtn"), Qt::LeftButton);
    dialog.LoadUploadFileResult(true, QString());
    QTest::mouseClick(Button(&dialog, "uploadBtn"), Qt::LeftButton);
    QVERIFY(dialog.IsUploading());

    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
    dialog.close();
    QVERIFY(dialog.isVisible());
    dialog.accept();
    QVERIFY(dialog.isVisible());

    dialog.UploadFileResult(false, QStringLiteral("Upload failed"));
    QVERIFY(Messages(&dialog).endsWith(QStringLiteral("Upload failed")));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
}

void tst_UploadDialog::disconnectionClosesTheWindow()
{
    UploadDialog dialog;
    dialog.show();
    QString statement;
    ModalResponder responder([&](QWidget *modal) {
        auto *message = qobject_cast<ok *>(modal);
        if (!message)
            return;
        statement = message->findChild<QLabel *>(QStringLiteral("statement"))->text();
        QTest::mouseClick(Button(message, "okBtn"), Qt::LeftButton);
    });
    dialog.CommsDisconnected();
    QCOMPARE(statement, QStringLiteral("Disconnected.  Reconnect and try again."));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void tst_UploadDialog::uploadFromTheMainWindow_data()
{
    // A page the unit refuses on the first UPLOAD (0: none): the window says
    // the upload failed, the unit holds invalid code, and UPLOAD pressed
    // again writes the same file completely.
    QTest::addColumn<quint32>("refusedPage");
    QTest::newRow("uploaded at once") << quint32(0);
    QTest::newRow("first page refused, then again") << quint32(0x1000);
    QTest::newRow("middle page refused, then again") << quint32(0x1A00);
    QTest::newRow("last page refused, then again") << quint32(0x1FC0);
}

void tst_UploadDialog::uploadFromTheMainWindow()
{
    QFETCH(quint32, refusedPage);
    // A colour unit with the clock in step, so that no question comes up.
    RebreatherSimulator sim(SimProfile::ColourV2Usb);
    QVERIFY(sim.Start());
    sim.WithBus([refusedPage](SimulatedBus &bus) {
        if (auto *clock = dynamic_cast<SimClockUnit *>(bus.Unit(DeviceId::Rtc)))
            clock->SetOffsetSeconds(QDateTime::currentDateTime().offsetFromUtc());
        if (refusedPage != 0)
            SimFirmware::RefuseFlashWritesAt(*bus.Unit(DeviceId::DisplayColour), {refusedPage});
    });
    // Newer code for the display: its logging-pointers block and 48 pages
    // of code from 0x1400.
    QTemporaryDir dir;
    const QByteArray head = QByteArray(0x80, char(0x5A));
    const QByteArray image = QByteArray(0xC00, char(0x5B));
    CcrBuilder::Block block;
    block.deviceId = DeviceId::DisplayColour;
    block.hexLines = CcrBuilder::DataRecords(0x1000, head) + CcrBuilder::DataRecords(0x1400, image)
                     + CcrBuilder::DataRecords(0x200000, QByteArray::fromHex("0106190100070105"));
    block.hexLines << CcrBuilder::EndOfFileRecord();
    const QString file = dir.filePath(QStringLiteral("update.ccr"));
    QString error;
    QVERIFY2(CcrBuilder::WriteContainer(file, 0, false, CcrBuilder::UploadLines({block}), true, &error),
             qPrintable(error));

    AppSettings::SetValue(AppSettings::Key::ComPort, sim.PortPath());
    auto ports = std::make_shared<SimulatedPortEnumerator>(
        QList<SerialPortDescription>{{QStringLiteral("COM4"), QStringLiteral("Simulated"), sim.PortPath()}});
    MainDialog w(ports);
    w.show();
    QTRY_COMPARE_WITH_TIMEOUT(w.LastConnectionStatus(), 5, 15000);
    QTRY_VERIFY(!w.Worker()->IsWorkInProgress());
    QVERIFY(Button(&w, "uploadBtn")->isEnabled());

    // Drives the upload window while it runs modally.
    int step = 0;
    QString shown, shownAfterFailure;
    quint8 markerAfterFailure = 0;
    QStringList unexpected;
    auto driver = std::make_unique<ModalResponder>([&](QWidget *modal) {
        auto *upload = qobject_cast<UploadDialog *>(modal);
        if (!upload) {
            unexpected << modal->metaObject()->className();
            modal->close();
            return;
        }
        if (step == 0) {
            upload->SetFileChooser([&](QWidget *, const QString &) { return file; });
            QTest::mouseClick(Button(upload, "selectBtn"), Qt::LeftButton);
            step = 1;
        } else if (step == 1 && !upload->IsLoading() && Button(upload, "closeBtn")->isEnabled()) {
            // (The buttons follow the flags once the cursor is restored:
            // CLOSE enabled again means the window is idle.)
            if (upload->IsLoaded()) {
                step = 2; // before the click: the window processes events inside it
                QTest::mouseClick(Button(upload, "uploadBtn"), Qt::LeftButton);
            } else { // refused: what it said is checked below
                shown = Messages(upload);
                step = 4;
                QTest::mouseClick(Button(upload, "closeBtn"), Qt::LeftButton);
            }
        } else if (step == 2 && !upload->IsUploading() && Button(upload, "closeBtn")->isEnabled()) {
            if (refusedPage != 0 && shownAfterFailure.isEmpty()) {
                // The failed upload, then the same file once more.
                shownAfterFailure = Messages(upload);
                markerAfterFailure = quint8(sim.Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 0, 1).at(0));
                sim.WithBus([](SimulatedBus &bus) {
                    SimFirmware::ClearRefusals(*bus.Unit(DeviceId::DisplayColour));
                });
                QTest::mouseClick(Button(upload, "uploadBtn"), Qt::LeftButton);
                if (upload->IsUploading())
                    return;
            }
            shown = Messages(upload);
            step = 3;
            QTest::mouseClick(Button(upload, "closeBtn"), Qt::LeftButton);
        }
    });
    QTest::mouseClick(Button(&w, "uploadBtn"), Qt::LeftButton); // returns when the window closes
    driver.reset();

    QCOMPARE(step, 3);
    QVERIFY(unexpected.isEmpty());
    const QString loadedText = QStringLiteral("Opening update.ccr\nFirmware Upgrade\nConfig Absent\nEeprom Absent\n");
    const QString completed = QStringLiteral("Uploading file\nUpload complete - Verifying data\nUpload complete");
    if (refusedPage == 0) {
        QCOMPARE(shown, loadedText + completed);
    } else {
        QVERIFY2(shownAfterFailure.startsWith(loadedText + QStringLiteral("Uploading file\nBlock write failed. Block ")),
                 qPrintable(shownAfterFailure));
        QVERIFY2(shownAfterFailure.endsWith(QStringLiteral("\nUpload failed")), qPrintable(shownAfterFailure));
        QVERIFY(markerAfterFailure >= 16);
        QCOMPARE(shown, shownAfterFailure + QLatin1Char('\n') + completed);
    }
    QCOMPARE(sim.Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1000, head.size()), head);
    QCOMPARE(sim.Memory(DeviceId::DisplayColour, MemoryId::Flash, 0x1400, image.size()), image);
    QCOMPARE(quint8(sim.Memory(DeviceId::DisplayColour, MemoryId::Eeprom, 0, 1).at(0)), quint8(0x08));
    QCOMPARE(w.Worker()->RBDataSnapshot().CodeVersionNumber(DeviceId::DisplayColour), 7001005);
}

QTEST_MAIN(tst_UploadDialog)
#include "tst_UploadDialog.moc"
