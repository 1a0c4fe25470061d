// The download windows: V1 (mono, Colour V1), V2 (Colour V2, log book list)
// and the .ccx window. Unit cases drive the windows' slots directly (the V2
// list works on a real, idle worker's log book); the last cases open them
// from the main window against simulated rebreathers holding dives and
// download through the real worker.

#include "AppSettings.h"
#include "DiveListModel.h"
#include "DivesDialog.h"
#include "DownloadV1Dialog.h"
#include "DownloadV2Dialog.h"
#include "LogBookV2.h"
#include "MainDialog.h"
#include "ModalResponder.h"
#include "PrivateSettingsDialog.h"
#include "ProcessCCXDialog.h"
#include "RebreatherSimulator.h"
#include "SimClockUnit.h"
#include "SimProfiles.h"
#include "SimulatedPortEnumerator.h"
#include "Translations.h"
#include "WindowParts.h"
#include "WorkerC.h"
#include "YesNo.h"
#include "YesYesToAllNoNoToAll.h"
#include "ok.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDir>
#include <QTranslator>
#include <QFile>
#include <QFileDialog>
#include <QIcon>
#include <QImage>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(QVector<int>)

namespace {

const QString Serial = QStringLiteral("23C0041712");

QString ProgressLabel(QWidget *w)
{
    return w->findChild<QLabel *>(QStringLiteral("progressLabel"))->text();
}

// The application shows the wait cursor, once (the override cursors stack).
bool IsWaitCursor()
{
    const QCursor *cursor = QApplication::overrideCursor();
    if (!cursor || cursor->shape() != Qt::WaitCursor)
        return false;
    QApplication::restoreOverrideCursor();
    const bool once = !QApplication::overrideCursor();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    return once;
}

QTreeWidget *List(QWidget *w)
{
    return w->findChild<QTreeWidget *>(QStringLiteral("logBook"));
}

// A log book record as a Colour V2 handset stores it.
QByteArray RawRecord(int number, const QDateTime &start, bool withEnd = true, int seconds = 2405, int depthCm = 1834)
{
    QByteArray r(32, char(0xFF));
    r[0] = char(0x70);
    r[1] = char(number >> 8);
    r[2] = char(number);
    r[3] = 0;
    const QDate d = start.date();
    const QTime t = start.time();
    const int fields[6] = {d.day(), d.month(), d.year() - 2000, t.hour(), t.minute(), t.second()};
    for (int i = 0; i < 6; ++i)
        r[4 + i] = char(fields[i]);
    const quint32 diveStart = 0x20000 + quint32(number) * 0x1000;
    for (int i = 0; i < 4; ++i)
        r[10 + i] = char(diveStart >> (24 - 8 * i));
    if (withEnd) {
        for (int i = 0; i < 4; ++i)
            r[14 + i] = char((diveStart + 0x800) >> (24 - 8 * i));
        r[18] = char(seconds >> 8);
        r[19] = char(seconds);
        r[20] = char(depthCm >> 8);
        r[21] = char(depthCm);
    }
    return r;
}

QDateTime Start(int minute)
{
    return QDateTime(QDate(2026, 5, 3), QTime(14, minute, 5));
}

void Touch(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

// A real worker in its own thread, started but idle (no port): its log book
// is what the V2 window lists.
class IdleWorker
{
public:
    IdleWorker() : worker(new WorkerC(std::make_shared<SimulatedPortEnumerator>()))
    {
        worker->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
        QObject::connect(&thread, &QThread::started, worker, &WorkerC::Start);
        thread.start();
    }
    ~IdleWorker()
    {
        thread.quit();
        thread.wait();
    }
    bool Ready() const
    {
        return QTest::qWaitFor([this] { return worker->GetLogBookV2() != nullptr; }, 10000);
    }
    LogBookV2 *Book() const { return worker->GetLogBookV2(); }

    QThread thread;
    WorkerC *worker;
};

// A V2 window over an idle worker's log book, listed in a fresh folder.
struct V2Fixture {
    QTemporaryDir folder;
    IdleWorker idle;
    std::unique_ptr<DownloadV2Dialog> dialog;

    bool Open(const QVector<QByteArray> &records, bool metric = true)
    {
        if (!folder.isValid() || !idle.Ready())
            return false;
        AppSettings::SetValue(AppSettings::Key::DownloadDirectory, folder.path());
        idle.Book()->Clear();
        for (const QByteArray &r : records)
            idle.Book()->AddRaw(r, true, Serial);
        dialog = std::make_unique<DownloadV2Dialog>(idle.worker, metric, false);
        QSignalSpy read(dialog.get(), &DownloadV2Dialog::ReadLogBook);
        dialog->show();
        if (!read.wait(5000) && read.isEmpty())
            return false;
        dialog->ReadLogBookResult(true, QStringLiteral("Log book read completed"));
        return List(dialog.get())->topLevelItemCount() == records.size();
    }
    void Tick(int row, bool on = true)
    {
        List(dialog.get())->topLevelItem(row)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
    }
    QString FileName(int row) const { return idle.Book()->At(row)->FileName(); }
    QVector<int> Selected() const
    {
        QVector<int> rows;
        for (int i = 0; i < idle.Book()->Count(); ++i) {
            if (idle.Book()->At(i)->selected)
                rows << i;
        }
        return rows;
    }
    QVector<int> Ticked() const
    {
        QVector<int> rows;
        for (int i = 0; i < List(dialog.get())->topLevelItemCount(); ++i) {
            if (List(dialog.get())->topLevelItem(i)->checkState(0) == Qt::Checked)
                rows << i;
        }
        return rows;
    }
};

// A V1 window with no worker, its first preparation answered.
std::unique_ptr<DownloadV1Dialog> OpenPreparedV1()
{
    auto dialog = std::make_unique<DownloadV1Dialog>(nullptr, true);
    QSignalSpy prepare(dialog.get(), &DownloadV1Dialog::PrepareDownload);
    dialog->show();
    if (prepare.isEmpty())
        prepare.wait(5000);
    dialog->PrepareDownloadResult(true, QStringLiteral("Preparation completed"));
    return dialog;
}

} // namespace

class tst_DownloadWindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void progressLabel_data();
    void progressLabel();
    void messages_data();
    void messages();
    void v1PreparesOnceAtATime();
    void v1DownloadAndAbort();
    void failuresDisableDownloading_data();
    void failuresDisableDownloading();
    void closingRefusedWhileBusy_data();
    void closingRefusedWhileBusy();
    void disconnectionClosesAnIdleWindow_data();
    void disconnectionClosesAnIdleWindow();
    void v2ListColumnsAndLocation_data();
    void v2ListColumnsAndLocation();
    void v2SelectionButtons();
    void v2OverwriteCheck_data();
    void v2OverwriteCheck();
    void processCcxWindow();
    void mainWindowOpensTheWindowOfTheLoggingFormat_data();
    void mainWindowOpensTheWindowOfTheLoggingFormat();
    void downloadThroughTheWindows_data();
    void downloadThroughTheWindows();
    void abortFromTheWindow();
    void memoryImageProcessedFromTheAdvancedSettings();
};

void tst_DownloadWindows::initTestCase()
{
    AppSettings::SetValue(AppSettings::Key::MessageLevel, 0);
}

void tst_DownloadWindows::progressLabel_data()
{
    QTest::addColumn<bool>("v2");
    QTest::addColumn<int>("estimate"); // 0: none sent
    QTest::addColumn<int>("progress"); // -1: none sent
    QTest::addColumn<bool>("started"); // V2: a download was started
    QTest::addColumn<QString>("label");

    QTest::newRow("v1 no estimate yet") << false << 0 << 40 << false << "";
    QTest::newRow("v1 estimate") << false << 95 << -1 << false << "Estimated Time 01:35";
    QTest::newRow("v1 remaining") << false << 125 << 50 << false << "Remaining Time 01:02";
    QTest::newRow("v1 remaining truncated") << false << 100 << 99 << false << "Remaining Time 00:01";
    QTest::newRow("v1 completed") << false << 125 << 100 << false << "Download Completed";
    QTest::newRow("v1 completed without estimate") << false << 0 << 100 << false << "Download Completed";
    QTest::newRow("v2 log book read") << true << 0 << 100 << false << "Log Book Read Completed";
    QTest::newRow("v2 remaining") << true << 30 << 50 << true << "Remaining Time 00:15";
    QTest::newRow("v2 download completed") << true << 30 << 100 << true << "Download Completed";
}

void tst_DownloadWindows::progressLabel()
{
    QFETCH(bool, v2);
    QFETCH(int, estimate);
    QFETCH(int, progress);
    QFETCH(bool, started);
    QFETCH(QString, label);

    V2Fixture f;
    std::unique_ptr<DownloadV1Dialog> v1;
    QWidget *window = nullptr;
    if (v2) {
        QVERIFY(f.Open({RawRecord(1, Start(0))}));
        window = f.dialog.get();
        if (started) {
            f.Tick(0);
            QTest::mouseClick(Button(window, "downloadBtn"), Qt::LeftButton);
            QCOMPARE(f.dialog->State(), int(DownloadV2Dialog::Downloading));
        }
    } else {
        v1 = OpenPreparedV1();
        window = v1.get();
    }
    QCOMPARE(ProgressLabel(window), QString());
    if (estimate > 0)
        QMetaObject::invokeMethod(window, "DownloadTimeEstimate", Q_ARG(int, estimate));
    if (progress >= 0)
        QMetaObject::invokeMethod(window, "DownloadProgress", Q_ARG(int, progress));
    QCOMPARE(ProgressLabel(window), label);
    // The bar's own text gives way to the label.
    QVERIFY(!window->findChild<QProgressBar *>(QStringLiteral("progressBar"))->isTextVisible());
}

void tst_DownloadWindows::messages_data()
{
    QTest::addColumn<bool>("v2");
    QTest::addColumn<QStringList>("sent"); // a leading '^' replaces the last line
    QTest::addColumn<QString>("shown");

    for (const bool v2 : {false, true}) {
        const char *prefix = v2 ? "v2 " : "v1 ";
        QTest::addRow("%sappended", prefix) << v2 << QStringList{"Download started", "Reading"} << "Download started\nReading";
        QTest::addRow("%sreplaces the last line", prefix)
            << v2 << QStringList{"Download started", "Reading 10%", "^Reading 20%", "^Reading 30%"}
            << "Download started\nReading 30%";
        QTest::addRow("%sreplaces a first line", prefix) << v2 << QStringList{"^Only"} << "Only";
        QTest::addRow("%sempty ignored", prefix) << v2 << QStringList{"Kept", "", "^"} << "Kept";
        QTest::addRow("%sseveral lines", prefix) << v2 << QStringList{"One~~~Two", "^Three"} << "One\nThree";
    }
}

void tst_DownloadWindows::messages()
{
    QFETCH(bool, v2);
    QFETCH(QStringList, sent);
    QFETCH(QString, shown);

    std::unique_ptr<QDialog> window;
    if (v2)
        window = std::make_unique<DownloadV2Dialog>(nullptr, true, false);
    else
        window = std::make_unique<DownloadV1Dialog>(nullptr, true);
    for (const QString &m : sent) {
        const bool replace = m.startsWith(QLatin1Char('^'));
        QMetaObject::invokeMethod(window.get(), "DownloadMsg", Q_ARG(QString, replace ? m.mid(1) : m),
                                  Q_ARG(bool, replace));
    }
    QCOMPARE(Messages(window.get()), shown);
}

void tst_DownloadWindows::v1PreparesOnceAtATime()
{
    QTemporaryDir base;
    AppSettings::SetValue(AppSettings::Key::DownloadDirectory, base.filePath(QStringLiteral("start")));
    DownloadV1Dialog dialog(nullptr, true);
    QSignalSpy prepare(&dialog, &DownloadV1Dialog::PrepareDownload);
    dialog.show();
    QTRY_COMPARE(prepare.count(), 1);
    QCOMPARE(prepare.at(0).at(0).toString(), base.filePath(QStringLiteral("start")));
    QCOMPARE(prepare.at(0).at(1).toBool(), false);
    // No range yet: nothing to download, and the window stays while the worker works.
    QVERIFY(!Button(&dialog, "downloadBtn")->isEnabled());
    QVERIFY(!Button(&dialog, "closeBtn")->isEnabled());

    // A folder typed before the first answer is not prepared at once...
    auto *dirEdit = dialog.findChild<QLineEdit *>(QStringLiteral("dirEdit"));
    const QString second = base.filePath(QStringLiteral("second/folder"));
    dirEdit->setText(second);
    QCOMPARE(prepare.count(), 1);
    // ...but once the first answer is in, because the range depends on its history.
    dialog.PrepareDownloadResult(true, QStringLiteral("Preparation completed"));
    QCOMPARE(prepare.count(), 2);
    QCOMPARE(prepare.at(1).at(0).toString(), second);
    dialog.PrepareDownloadResult(true, QStringLiteral("Preparation completed"));
    QCOMPARE(prepare.count(), 2);
    QVERIFY(Messages(&dialog).isEmpty()); // a successful preparation is only logged
    QVERIFY(Button(&dialog, "downloadBtn")->isEnabled());

    // Once prepared, every change prepares again: folder and FULL DOWNLOAD.
    const QString third = base.filePath(QStringLiteral("third"));
    dirEdit->setText(third);
    QCOMPARE(prepare.count(), 3);
    QCOMPARE(prepare.at(2).at(0).toString(), third);
    // Typing a path makes no folders on the way; the download makes the one it needs.
    QVERIFY(!QDir(base.filePath(QStringLiteral("thir"))).exists());
    QVERIFY(!QDir(second).exists());
    dialog.PrepareDownloadResult(true, QString());
    auto *full = dialog.findChild<QCheckBox *>(QStringLiteral("fullDownLoadCheck"));
    full->setChecked(true);
    dialog.on_fullDownLoadCheck_clicked();
    QCOMPARE(prepare.count(), 4);
    QCOMPARE(prepare.at(3).at(1).toBool(), true);
}

void tst_DownloadWindows::v1DownloadAndAbort()
{
    QTemporaryDir base;
    AppSettings::SetValue(AppSettings::Key::DownloadDirectory, base.path());
    std::unique_ptr<DownloadV1Dialog> dialog = OpenPreparedV1();
    QSignalSpy download(dialog.get(), &DownloadV1Dialog::DownloadData);
    dialog->DownloadMsg(QStringLiteral("Earlier"), false);

    auto *dirEdit = dialog->findChild<QLineEdit *>(QStringLiteral("dirEdit"));
    const QString folder = base.filePath(QStringLiteral("new/folder"));
    dirEdit->setText(folder);
    dialog->PrepareDownloadResult(true, QString());
    QVERIFY(!QDir(folder).exists());
    QTest::mouseClick(Button(dialog.get(), "downloadBtn"), Qt::LeftButton);
    QCOMPARE(download.count(), 1);
    QCOMPARE(download.at(0).at(0).toString(), folder);
    QVERIFY(QDir(folder).exists());
    QCOMPARE(Messages(dialog.get()), QStringLiteral("Earlier\n")); // a blank line before the new download
    QCOMPARE(Button(dialog.get(), "downloadBtn")->text(), QStringLiteral("&ABORT"));
    QVERIFY(Button(dialog.get(), "downloadBtn")->isEnabled());
    QVERIFY(!Button(dialog.get(), "closeBtn")->isEnabled());

    QTest::mouseClick(Button(dialog.get(), "downloadBtn"), Qt::LeftButton);
    QCOMPARE(download.count(), 1);
    QCOMPARE(Button(dialog.get(), "downloadBtn")->text(), QStringLiteral("&ABORTING"));
    QVERIFY(!Button(dialog.get(), "downloadBtn")->isEnabled());

    dialog->DownloadResult(true, QStringLiteral("Download aborted"));
    QCOMPARE(Button(dialog.get(), "downloadBtn")->text(), QStringLiteral("&DOWNLOAD"));
    QVERIFY(Button(dialog.get(), "downloadBtn")->isEnabled());
    QVERIFY(Messages(dialog.get()).endsWith(QStringLiteral("Download aborted")));
    QTest::mouseClick(Button(dialog.get(), "closeBtn"), Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(AppSettings::StringValue(AppSettings::Key::DownloadDirectory), folder);
}

void tst_DownloadWindows::failuresDisableDownloading_data()
{
    QTest::addColumn<bool>("v2");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("message");

    QTest::newRow("v1 preparation") << false << "prepare" << "Unable to read the logging pointers";
    QTest::newRow("v1 download") << false << "download" << "Download failed";
    QTest::newRow("v2 log book read") << true << "read" << "Log book read completed, No Logged Data";
    QTest::newRow("v2 download") << true << "download" << "Download failed, Incompatible Bridge Code - Contact Quor";
}

void tst_DownloadWindows::failuresDisableDownloading()
{
    QFETCH(bool, v2);
    QFETCH(QString, step);
    QFETCH(QString, message);

    V2Fixture f;
    std::unique_ptr<DownloadV1Dialog> v1;
    QWidget *window = nullptr;
    if (v2) {
        if (step == QLatin1String("read")) {
            QVERIFY(f.folder.isValid() && f.idle.Ready());
            f.dialog = std::make_unique<DownloadV2Dialog>(f.idle.worker, true, false);
            f.dialog->show();
            QTRY_VERIFY(f.dialog->IsBusy());
            f.dialog->ReadLogBookResult(false, message);
        } else {
            QVERIFY(f.Open({RawRecord(1, Start(0))}));
            f.Tick(0);
            QTest::mouseClick(Button(f.dialog.get(), "downloadBtn"), Qt::LeftButton);
            f.dialog->DownloadResult(false, message);
        }
        window = f.dialog.get();
    } else {
        v1 = std::make_unique<DownloadV1Dialog>(nullptr, true);
        v1->show();
        QTRY_VERIFY(v1->IsBusy());
        if (step == QLatin1String("prepare")) {
            v1->PrepareDownloadResult(false, message);
        } else {
            v1->PrepareDownloadResult(true, QString());
            QTest::mouseClick(Button(v1.get(), "downloadBtn"), Qt::LeftButton);
            v1->DownloadResult(false, message);
        }
        window = v1.get();
    }
    QVERIFY(Messages(window).endsWith(message));
    QVERIFY(!Button(window, "downloadBtn")->isEnabled());
    QVERIFY(!Button(window, "dirBtn")->isEnabled());
    QVERIFY(Button(window, "closeBtn")->isEnabled());
    if (v2) // nothing to choose any more
        QVERIFY(!List(window)->isEnabled());
}

void tst_DownloadWindows::closingRefusedWhileBusy_data()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("v1 preparing") << "v1 prepare";
    QTest::newRow("v1 downloading") << "v1 download";
    QTest::newRow("v2 reading the log book") << "v2 read";
    QTest::newRow("v2 downloading") << "v2 download";
    QTest::newRow("ccx processing") << "ccx";
}

void tst_DownloadWindows::closingRefusedWhileBusy()
{
    QFETCH(QString, window);
    V2Fixture f;
    std::unique_ptr<QDialog> owned;
    QDialog *dialog = nullptr;
    std::function<void()> answer;
    if (window.startsWith(QLatin1String("v1"))) {
        auto *v1 = new DownloadV1Dialog(nullptr, true);
        owned.reset(v1);
        v1->show();
        QTRY_VERIFY(v1->IsBusy());
        answer = [v1] { v1->PrepareDownloadResult(true, QString()); };
        if (window.endsWith(QLatin1String("download"))) {
            answer();
            QTest::mouseClick(Button(v1, "downloadBtn"), Qt::LeftButton);
            answer = [v1] { v1->DownloadResult(true, QString()); };
        }
        dialog = v1;
    } else if (window.startsWith(QLatin1String("v2"))) {
        QVERIFY(f.folder.isValid() && f.idle.Ready());
        f.idle.Book()->Clear();
        f.idle.Book()->AddRaw(RawRecord(1, Start(0)), true, Serial);
        AppSettings::SetValue(AppSettings::Key::DownloadDirectory, f.folder.path());
        f.dialog = std::make_unique<DownloadV2Dialog>(f.idle.worker, true, false);
        DownloadV2Dialog *v2 = f.dialog.get();
        v2->show();
        QTRY_VERIFY(v2->IsBusy());
        answer = [v2] { v2->ReadLogBookResult(true, QString()); };
        if (window.endsWith(QLatin1String("download"))) {
            answer();
            f.Tick(0);
            QTest::mouseClick(Button(v2, "downloadBtn"), Qt::LeftButton);
            answer = [v2] { v2->DownloadResult(true, QString()); };
        }
        dialog = v2;
    } else {
        auto *ccx = new ProcessCCXDialog;
        owned.reset(ccx);
        ccx->show();
        ccx->ProcessFiles({QStringLiteral("/tmp/image.ccx")});
        answer = [ccx] { ccx->ProcessCCXResult(true, QString()); };
        dialog = ccx;
    }
    QVERIFY(!Button(dialog, "closeBtn")->isEnabled());
    dialog->reject();
    QVERIFY(dialog->isVisible());
    QTest::keyClick(dialog, Qt::Key_Escape);
    QVERIFY(dialog->isVisible());
    dialog->close();
    QVERIFY(dialog->isVisible());

    answer();
    QVERIFY(Button(dialog, "closeBtn")->isEnabled());
    dialog->reject();
    QVERIFY(!dialog->isVisible());
}

void tst_DownloadWindows::disconnectionClosesAnIdleWindow_data()
{
    QTest::addColumn<bool>("v2");
    QTest::addColumn<bool>("busy");
    QTest::newRow("v1 idle") << false << false;
    QTest::newRow("v1 preparing") << false << true;
    QTest::newRow("v2 idle") << true << false;
    QTest::newRow("v2 reading") << true << true;
}

void tst_DownloadWindows::disconnectionClosesAnIdleWindow()
{
    QFETCH(bool, v2);
    QFETCH(bool, busy);
    std::unique_ptr<QDialog> window;
    if (v2)
        window = std::make_unique<DownloadV2Dialog>(nullptr, true, false);
    else
        window = std::make_unique<DownloadV1Dialog>(nullptr, true);
    window->show();
    QTRY_VERIFY(v2 ? static_cast<DownloadV2Dialog *>(window.get())->IsBusy()
                   : static_cast<DownloadV1Dialog *>(window.get())->IsBusy());
    QCOMPARE(IsWaitCursor(), v2);
    if (!busy) {
        if (v2)
            static_cast<DownloadV2Dialog *>(window.get())->ReadLogBookResult(true, QString());
        else
            static_cast<DownloadV1Dialog *>(window.get())->PrepareDownloadResult(true, QString());
    }
    QString statement;
    QImage icon;
    ModalResponder responder([&](QWidget *modal) {
        if (auto *message = qobject_cast<ok *>(modal)) {
            statement = message->findChild<QLabel *>(QStringLiteral("statement"))->text();
            icon = message->windowIcon().pixmap(32, 32).toImage();
            QTest::mouseClick(Button(message, "okBtn"), Qt::LeftButton);
        }
    });
    QMetaObject::invokeMethod(window.get(), "CommsDisconnected");
    QCOMPARE(statement, QStringLiteral("Disconnected.  Reconnect and try again."));
    // The message carries the icon of the window it belongs to.
    const QImage expected = QIcon(v2 ? QStringLiteral(":/Quor-DS.ico") : QStringLiteral(":/Quor.ico")).pixmap(32, 32).toImage();
    const QImage other = QIcon(v2 ? QStringLiteral(":/Quor.ico") : QStringLiteral(":/Quor-DS.ico")).pixmap(32, 32).toImage();
    QVERIFY(!expected.isNull());
    QVERIFY(expected != other);
    QCOMPARE(icon, expected);
    QCOMPARE(window->isVisible(), busy);
    // The message took the wait cursor back; a window closed while busy
    // takes it back as it goes.
    QVERIFY(!QApplication::overrideCursor());
    window.reset();
    QVERIFY(!QApplication::overrideCursor());
}

void tst_DownloadWindows::v2ListColumnsAndLocation_data()
{
    QTest::addColumn<bool>("metric");
    QTest::addColumn<QString>("depthHeader");
    QTest::addColumn<QString>("depth");
    QTest::newRow("metric") << true << "Max Depth (m)" << "18.34";
    QTest::newRow("imperial") << false << "Max Depth (ft)" << "60.17";
}

void tst_DownloadWindows::v2ListColumnsAndLocation()
{
    QFETCH(bool, metric);
    QFETCH(QString, depthHeader);
    QFETCH(QString, depth);

    QByteArray invalidDate = RawRecord(10, Start(0));
    invalidDate[4] = 0; // day 0
    V2Fixture f;
    // Newest first: the last two dives started in the same second.
    const QVector<QByteArray> records{RawRecord(13, Start(40)), RawRecord(12, Start(40)),
                                      RawRecord(11, Start(20), false), invalidDate};
    QVERIFY(f.folder.isValid());
    Touch(f.folder.filePath(Serial + QStringLiteral("_260503_144005.ccl")));
    QVERIFY(f.Open(records, metric));

    QTreeWidget *list = List(f.dialog.get());
    QCOMPARE(list->columnCount(), 5);
    const QStringList headers{"Dive Number", "Date - Time", "Duration (mm:ss)", depthHeader, "Location"};
    for (int c = 0; c < 5; ++c)
        QCOMPARE(list->headerItem()->text(c), headers.at(c));
    QCOMPARE(list->header()->defaultAlignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);

    const QStringList expected[] = {
        {"013", "26/05/03 14:40:05", "40:05", depth, "PC"},
        {"012", "26/05/03 14:40:05", "40:05", depth, "Quor Handset"},
        {"011", "26/05/03 14:20:05", "------", "", "Quor Handset"},
        {"010", "Invalid", "40:05", depth, "Quor Handset"},
    };
    for (int row = 0; row < 4; ++row) {
        QTreeWidgetItem *item = list->topLevelItem(row);
        for (int c = 0; c < 5; ++c)
            QCOMPARE(item->text(c), expected[row].at(c));
        QCOMPARE(item->checkState(0), Qt::Unchecked);
        QCOMPARE(f.idle.Book()->At(row)->downloadedBefore, row == 0);
        // Columns are as wide as their texts and a little more.
        for (int c = 0; c < 5; ++c)
            QVERIFY(list->columnWidth(c) >= list->fontMetrics().horizontalAdvance(item->text(c)) + 10);
    }
    // The second dive of that second gets its own file name.
    QVERIFY2(f.FileName(1).endsWith(QStringLiteral("_144005_001.ccl")), qPrintable(f.FileName(1)));
    QCOMPARE(f.FileName(3), Serial + QStringLiteral("_260500_140005_Invalid.ccl"));

    // Another folder lists the same dives with their Location there.
    QTemporaryDir other;
    Touch(other.filePath(f.FileName(1)));
    auto *dirEdit = f.dialog->findChild<QLineEdit *>(QStringLiteral("dirEdit"));
    dirEdit->setText(other.path());
    QMetaObject::invokeMethod(dirEdit, "editingFinished");
    QCOMPARE(list->topLevelItem(0)->text(4), QStringLiteral("Quor Handset"));
    QCOMPARE(list->topLevelItem(1)->text(4), QStringLiteral("PC"));

    // A change of language while the list is shown changes its words, not
    // its rows or ticks.
    list->topLevelItem(2)->setCheckState(0, Qt::Checked);
    QTranslator german;
    QVERIFY(german.load(Translations::ProgramBaseName(QStringLiteral("de")), Translations::Folder()));
    QVERIFY(QCoreApplication::installTranslator(&german));
    QTRY_COMPARE(list->topLevelItem(0)->text(4), QStringLiteral("Quor-Handgerät"));
    QCOMPARE(list->headerItem()->text(4), QCoreApplication::translate("DownloadV2Dialog", "Location"));
    QCOMPARE(list->topLevelItem(1)->text(4), QStringLiteral("PC"));
    QCOMPARE(list->topLevelItem(2)->checkState(0), Qt::Checked);
    QVERIFY(QCoreApplication::removeTranslator(&german));
    QTRY_COMPARE(list->topLevelItem(0)->text(4), QStringLiteral("Quor Handset"));
}

void tst_DownloadWindows::v2SelectionButtons()
{
    V2Fixture f;
    QVERIFY(f.folder.isValid());
    const QVector<QByteArray> records{RawRecord(3, Start(30)), RawRecord(2, Start(20)), RawRecord(1, Start(10))};
    Touch(f.folder.filePath(Serial + QStringLiteral("_260503_142005.ccl"))); // dive 2 is on the PC
    QVERIFY(f.Open(records));
    QSignalSpy changed(f.dialog.get(), &DownloadV2Dialog::DownloadSelectionChanged);
    QPushButton *download = Button(f.dialog.get(), "downloadBtn");
    QVERIFY(!download->isEnabled());

    struct Step {
        const char *button;
        QVector<int> ticked;
        int changes;
    };
    const Step steps[] = {
        {"newDivesBtn", {0, 2}, 1},
        {"newDivesBtn", {0, 2}, 1}, // no change, no signal
        {"allDivesBtn", {0, 1, 2}, 2},
        {"clearDivesBtn", {}, 3},
        {"clearDivesBtn", {}, 3},
    };
    for (const Step &step : steps) {
        QTest::mouseClick(Button(f.dialog.get(), step.button), Qt::LeftButton);
        QCOMPARE(f.Ticked(), step.ticked);
        QCOMPARE(f.Selected(), step.ticked);
        QCOMPARE(changed.count(), step.changes);
        QCOMPARE(download->isEnabled(), !step.ticked.isEmpty());
    }
    // A tick by the user chooses that dive.
    f.Tick(1);
    QCOMPARE(f.Selected(), QVector<int>{1});
    QCOMPARE(changed.count(), 4);
    QVERIFY(download->isEnabled());
    f.Tick(1, false);
    QCOMPARE(changed.count(), 5);
    QVERIFY(!download->isEnabled());

    // After a download the list is filled afresh with every row unticked,
    // and no dive stays chosen that the list does not show.
    f.Tick(0);
    f.Tick(2);
    QTest::mouseClick(download, Qt::LeftButton);
    QCOMPARE(f.dialog->State(), int(DownloadV2Dialog::Downloading));
    QVERIFY(!List(f.dialog.get())->isEnabled()); // the worker's log book is off limits meanwhile
    f.dialog->DownloadResult(true, QString());
    QCOMPARE(f.Ticked(), QVector<int>{});
    QCOMPARE(f.Selected(), QVector<int>{});
    f.Tick(1);
    QCOMPARE(f.Selected(), QVector<int>{1});
}

void tst_DownloadWindows::v2OverwriteCheck_data()
{
    QTest::addColumn<QVector<int>>("onPc");
    QTest::addColumn<QVector<int>>("chosen");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("questionWindow");
    QTest::addColumn<QVector<int>>("downloaded");

    QTest::newRow("nothing on the pc") << QVector<int>{} << QVector<int>{1} << QStringList{} << "" << QVector<int>{1};
    QTest::newRow("one, yes") << QVector<int>{0} << QVector<int>{0, 1} << QStringList{"yesBtn"} << "YesNo"
                              << QVector<int>{0, 1};
    QTest::newRow("one, no") << QVector<int>{0} << QVector<int>{0, 1} << QStringList{"noBtn"} << "YesNo"
                             << QVector<int>{1};
    QTest::newRow("one, no, nothing left") << QVector<int>{0} << QVector<int>{0} << QStringList{"noBtn"} << "YesNo"
                                           << QVector<int>{};
    QTest::newRow("yes to all") << QVector<int>{0, 1, 2} << QVector<int>{0, 1, 2} << QStringList{"yesToAllBtn"}
                                << "YesYesToAllNoNoToAll" << QVector<int>{0, 1, 2};
    QTest::newRow("no, then no to all") << QVector<int>{0, 1, 2} << QVector<int>{0, 1, 2, 3}
                                        << QStringList{"noBtn", "noToAllBtn"} << "YesYesToAllNoNoToAll"
                                        << QVector<int>{3};
    QTest::newRow("yes, no, yes") << QVector<int>{0, 1, 2} << QVector<int>{0, 1, 2}
                                  << QStringList{"yesBtn", "noBtn", "yesBtn"} << "YesYesToAllNoNoToAll"
                                  << QVector<int>{0, 2};
}

void tst_DownloadWindows::v2OverwriteCheck()
{
    QFETCH(QVector<int>, onPc);
    QFETCH(QVector<int>, chosen);
    QFETCH(QStringList, answers);
    QFETCH(QString, questionWindow);
    QFETCH(QVector<int>, downloaded);

    V2Fixture f;
    QVERIFY(f.folder.isValid());
    const QVector<QByteArray> records{RawRecord(4, Start(40)), RawRecord(3, Start(30)), RawRecord(2, Start(20)),
                                      RawRecord(1, Start(10))};
    for (int row : onPc)
        Touch(f.folder.filePath(Serial + QStringLiteral("_260503_14") + QString::number(4 - row) + QStringLiteral("005.ccl")));
    QVERIFY(f.Open(records));
    for (int row : chosen)
        f.Tick(row);
    QSignalSpy changed(f.dialog.get(), &DownloadV2Dialog::DownloadSelectionChanged);
    QSignalSpy download(f.dialog.get(), &DownloadV2Dialog::DownloadData);

    QStringList questions;
    QStringList windows;
    bool closeButtonShown = false;
    int answered = 0;
    ModalResponder responder([&](QWidget *modal) {
        const bool question = qobject_cast<YesNo *>(modal) || qobject_cast<YesYesToAllNoNoToAll *>(modal);
        if (!question)
            return;
        windows << QString::fromLatin1(modal->metaObject()->className());
        questions << modal->findChild<QLabel *>(QStringLiteral("question"))->text();
        closeButtonShown = closeButtonShown || (modal->windowFlags() & Qt::WindowCloseButtonHint);
        const QString answer = answered < answers.size() ? answers.at(answered) : QStringLiteral("noBtn");
        ++answered;
        QTest::mouseClick(Button(modal, answer.toLatin1().constData()), Qt::LeftButton);
    });
    QTest::mouseClick(Button(f.dialog.get(), "downloadBtn"), Qt::LeftButton);

    QCOMPARE(answered, answers.size());
    if (!answers.isEmpty()) {
        QCOMPARE(windows.first(), questionWindow);
        QCOMPARE(questions.first(),
                 f.FileName(onPc.first()) + QStringLiteral(" already exists.\n\nDo you wish to overwrite it?"));
        QVERIFY(!closeButtonShown);
    }
    QCOMPARE(f.Selected(), downloaded);
    QCOMPARE(f.Ticked(), downloaded);
    // The worker hears of every dive the answers dropped before the download starts.
    QCOMPARE(changed.count(), downloaded.size() < chosen.size() ? 1 : 0);
    QCOMPARE(download.count(), downloaded.isEmpty() ? 0 : 1);
    QCOMPARE(f.dialog->State(), int(downloaded.isEmpty() ? DownloadV2Dialog::Idle : DownloadV2Dialog::Downloading));
}

void tst_DownloadWindows::processCcxWindow()
{
    QTemporaryDir folder;
    const QString image = folder.filePath(QStringLiteral("23C0041712_260503_101500.ccx"));
    Touch(image);
    AppSettings::SetValue(AppSettings::Key::ProcessCcxDirectory, folder.path());

    ProcessCCXDialog dialog;
    QSignalSpy process(&dialog, &ProcessCCXDialog::ProcessCCXFiles);
    dialog.show();
    QStringList filters;
    bool listView = false;
    ModalResponder responder([&](QWidget *modal) {
        auto *chooser = qobject_cast<QFileDialog *>(modal);
        if (!chooser)
            return;
        filters = chooser->nameFilters();
        listView = chooser->viewMode() == QFileDialog::List && chooser->fileMode() == QFileDialog::ExistingFiles;
        if (chooser->directory().absolutePath() != QDir(folder.path()).absolutePath())
            chooser->reject();
        // Typed into the name field, as a user would (selectFile leaves a
        // focused field alone).
        chooser->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(image);
        QMetaObject::invokeMethod(chooser, "accept");
    });
    QTest::mouseClick(Button(&dialog, "selectBtn"), Qt::LeftButton);
    QCOMPARE(filters, QStringList{QStringLiteral("CCX Files (*.ccx)")});
    QVERIFY(listView);
    QCOMPARE(process.count(), 1);
    QCOMPARE(process.at(0).at(0).toStringList(), QStringList{image});
    QVERIFY(dialog.IsBusy());
    QVERIFY(!Button(&dialog, "selectBtn")->isEnabled());
    QVERIFY(IsWaitCursor());

    dialog.ProcessCCXMsg(QStringLiteral("File 23C0041712_260503_091000.ccl Saved"));
    dialog.ProcessCCXMsg(QString());
    dialog.ProcessCCXResult(true, QStringLiteral("2 log files found in memory.  0 skipped - 2 saved"));
    QCOMPARE(Messages(&dialog), QStringLiteral("File 23C0041712_260503_091000.ccl Saved\n"
                                               "2 log files found in memory.  0 skipped - 2 saved"));
    QVERIFY(!dialog.IsBusy());
    QVERIFY(Button(&dialog, "selectBtn")->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QTest::mouseClick(Button(&dialog, "closeBtn"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(AppSettings::StringValue(AppSettings::Key::ProcessCcxDirectory), QDir(folder.path()).absolutePath());
}

namespace {

// The main window connected to a simulated rebreather of a profile, its
// clock in step so that no clock question comes.
struct ConnectedMainWindow {
    explicit ConnectedMainWindow(SimProfile profile) : sim(profile) {}

    bool Open(const QString &downloadFolder)
    {
        if (!sim.Start())
            return false;
        sim.WithBus([](SimulatedBus &bus) {
            if (auto *clock = dynamic_cast<SimClockUnit *>(bus.Unit(0xA2)))
                clock->SetOffsetSeconds(QDateTime::currentDateTime().offsetFromUtc());
        });
        AppSettings::SetValue(AppSettings::Key::ComPort, sim.PortPath());
        AppSettings::SetValue(AppSettings::Key::ComPortName, QStringLiteral("COM4"));
        AppSettings::SetValue(AppSettings::Key::DownloadDirectory, downloadFolder);
        ports = std::make_shared<SimulatedPortEnumerator>(QList<SerialPortDescription>{
            SerialPortDescription{QStringLiteral("COM4"), QStringLiteral("Simulated rebreather"), sim.PortPath()}});
        window = std::make_unique<MainDialog>(ports);
        window->show();
        return QTest::qWaitFor([this] { return window->LastConnectionStatus() == WorkerC::StatusConnectedSerialValid
                                               && !window->Worker()->IsWorkInProgress()
                                               && window->findChild<QPushButton *>(QStringLiteral("downloadBtn"))->isEnabled(); },
                               20000);
    }

    RebreatherSimulator sim;
    std::shared_ptr<SimulatedPortEnumerator> ports;
    std::unique_ptr<MainDialog> window;
};

} // namespace

void tst_DownloadWindows::mainWindowOpensTheWindowOfTheLoggingFormat_data()
{
    QTest::addColumn<int>("profile");
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("fullDownloadShown");
    QTest::newRow("mono") << int(SimProfile::MonoSerial) << "DownloadV1Dialog" << false;
    QTest::newRow("colour v1") << int(SimProfile::ColourV1Usb) << "DownloadV1Dialog" << true;
    QTest::newRow("colour v2") << int(SimProfile::ColourV2Usb) << "DownloadV2Dialog" << false;
}

void tst_DownloadWindows::mainWindowOpensTheWindowOfTheLoggingFormat()
{
    QFETCH(int, profile);
    QFETCH(QString, window);
    QFETCH(bool, fullDownloadShown);

    QTemporaryDir folder;
    ConnectedMainWindow main{SimProfile(profile)};
    QVERIFY(main.Open(folder.path()));

    QString opened;
    bool fullShown = false;
    bool ready = false;
    int rows = -1;
    ModalResponder responder([&](QWidget *modal) {
        opened = QString::fromLatin1(modal->metaObject()->className());
        if (auto *v1 = qobject_cast<DownloadV1Dialog *>(modal)) {
            fullShown = modal->findChild<QCheckBox *>(QStringLiteral("fullDownLoadCheck"))->isVisible();
            ready = v1->IsPrepared() && !v1->IsBusy();
        } else if (auto *v2 = qobject_cast<DownloadV2Dialog *>(modal)) {
            ready = !v2->IsBusy() && List(v2)->topLevelItemCount() > 0;
            rows = List(v2)->topLevelItemCount();
        }
        if (ready)
            QTest::mouseClick(Button(modal, "closeBtn"), Qt::LeftButton);
    });
    QTest::mouseClick(main.window->findChild<QPushButton *>(QStringLiteral("downloadBtn")), Qt::LeftButton);
    QCOMPARE(opened, window);
    QVERIFY(ready);
    QCOMPARE(fullShown, fullDownloadShown);
    if (window == QLatin1String("DownloadV2Dialog"))
        QCOMPARE(rows, SimProfiles::DefaultDiveCount); // the handset's log book, listed
}

void tst_DownloadWindows::downloadThroughTheWindows_data()
{
    QTest::addColumn<int>("profile");
    QTest::newRow("mono") << int(SimProfile::MonoSerial);
    QTest::newRow("colour v1") << int(SimProfile::ColourV1Usb);
    QTest::newRow("colour v2 over bluetooth") << int(SimProfile::ColourV2Bluetooth);
}

namespace {

// What VIEW DIVES showed after a download.
struct ViewedDives
{
    bool hiddenBeforeDownload = false;
    QString folder;
    QStringList readable; // file names of the dives listed as read
    int rows = -1;
};

// Presses DOWNLOAD FROM DEVICE, chooses every dive (V2), downloads, and
// closes the window once the download has answered. Returns the window's
// messages; the V2 list's Location column goes into locations. With viewed,
// VIEW DIVES is pressed after the download and the Dives window's list kept.
QString DownloadEverything(MainDialog &main, QStringList *locations = nullptr, ViewedDives *viewed = nullptr)
{
    bool started = false;
    bool finished = false;
    bool viewing = false;
    QString messages;
    ModalResponder responder([&](QWidget *modal) {
        if (auto *dives = qobject_cast<DivesDialog *>(modal)) {
            if (dives->IsListing() || !viewed)
                return;
            viewed->folder = dives->Folder();
            viewed->rows = dives->Model()->rowCount();
            for (int row = 0; row < dives->Model()->rowCount(); ++row) {
                if (dives->Model()->Entry(row).loaded)
                    viewed->readable << dives->Model()->Entry(row).fileName;
            }
            QTest::mouseClick(Button(dives, "closeBtn"), Qt::LeftButton);
            return;
        }
        auto *v1 = qobject_cast<DownloadV1Dialog *>(modal);
        auto *v2 = qobject_cast<DownloadV2Dialog *>(modal);
        if (!v1 && !v2)
            return;
        const bool busy = v1 ? v1->IsBusy() : v2->IsBusy();
        if (!started) {
            if (busy || (v1 && !v1->IsPrepared()) || (v2 && List(v2)->topLevelItemCount() == 0))
                return;
            if (viewed)
                viewed->hiddenBeforeDownload = !Button(modal, "viewDivesBtn")->isVisible();
            if (v2)
                QTest::mouseClick(Button(v2, "allDivesBtn"), Qt::LeftButton);
            QTest::mouseClick(Button(modal, "downloadBtn"), Qt::LeftButton);
            started = true;
            return;
        }
        if (busy)
            return;
        if (viewed && !viewing) {
            // Queued: the Dives window is modal, and this handler must return
            // before it can answer that one.
            viewing = true;
            QVERIFY(Button(modal, "viewDivesBtn")->isVisible());
            QVERIFY(Button(modal, "viewDivesBtn")->isEnabled());
            QMetaObject::invokeMethod(Button(modal, "viewDivesBtn"), "click", Qt::QueuedConnection);
            return;
        }
        finished = true;
        messages = Messages(modal);
        if (v2 && locations) {
            for (int i = 0; i < List(v2)->topLevelItemCount(); ++i)
                *locations << List(v2)->topLevelItem(i)->text(4);
        }
        QTest::mouseClick(Button(modal, "closeBtn"), Qt::LeftButton);
    });
    QTest::mouseClick(main.findChild<QPushButton *>(QStringLiteral("downloadBtn")), Qt::LeftButton);
    return finished ? messages : QString();
}

} // namespace

void tst_DownloadWindows::downloadThroughTheWindows()
{
    QFETCH(int, profile);
    QTemporaryDir folder;
    ConnectedMainWindow main{SimProfile(profile)};
    QVERIFY(main.Open(folder.path()));
    QStringList locations;
    ViewedDives viewed;
    const QString messages = DownloadEverything(*main.window, &locations, &viewed);
    QVERIFY(!messages.isEmpty());

    // One file per dive the handset holds, and the memory image for V1.
    const QStringList dives = QDir(folder.path()).entryList({QStringLiteral("*.ccl")}, QDir::Files);
    QVERIFY2(dives.size() == SimProfiles::DefaultDiveCount, qPrintable(messages));
    for (const QString &name : dives)
        QVERIFY2(name.startsWith(QLatin1String(SimProfileFacts::HandsetSerial)), qPrintable(name));
    const int images = QDir(folder.path()).entryList({QStringLiteral("*.ccx")}, QDir::Files).size();
    QCOMPARE(images, profile == int(SimProfile::ColourV2Bluetooth) ? 0 : 1);
    if (profile == int(SimProfile::ColourV2Bluetooth))
        QCOMPARE(locations, QVector<QString>(SimProfiles::DefaultDiveCount, QStringLiteral("PC")).toList());

    // VIEW DIVES appears once the download is done and lists its dives.
    QVERIFY(viewed.hiddenBeforeDownload);
    QCOMPARE(viewed.folder, folder.path());
    QStringList readable = viewed.readable;
    readable.sort();
    QCOMPARE(readable, dives);
    QCOMPARE(viewed.rows, dives.size());
}

void tst_DownloadWindows::abortFromTheWindow()
{
    QTemporaryDir folder;
    ConnectedMainWindow main{SimProfile::ColourV1Usb};
    QVERIFY(main.Open(folder.path()));
    // A paced line, so the download is still running when ABORT is pressed.
    SimTiming paced;
    paced.lineRate = true;
    main.sim.SetTiming(paced);

    QString messages;
    bool aborted = false;
    ModalResponder responder([&](QWidget *modal) {
        auto *v1 = qobject_cast<DownloadV1Dialog *>(modal);
        if (!v1)
            return;
        auto *bar = v1->findChild<QProgressBar *>(QStringLiteral("progressBar"));
        if (v1->State() == DownloadV1Dialog::Idle && !v1->IsBusy() && v1->IsPrepared() && !aborted
            && Messages(v1).isEmpty()) {
            QTest::mouseClick(Button(v1, "downloadBtn"), Qt::LeftButton);
        } else if (v1->State() == DownloadV1Dialog::Downloading && bar->value() >= 5) {
            QTest::mouseClick(Button(v1, "downloadBtn"), Qt::LeftButton); // ABORT
            aborted = true;
        } else if (aborted && !v1->IsBusy()) {
            messages = Messages(v1);
            QTest::mouseClick(Button(v1, "closeBtn"), Qt::LeftButton);
        }
    });
    QTest::mouseClick(main.window->findChild<QPushButton *>(QStringLiteral("downloadBtn")), Qt::LeftButton);
    QVERIFY(aborted);
    QVERIFY2(messages.endsWith(QStringLiteral("Download aborted")), qPrintable(messages));
    // Nothing of an aborted download is kept.
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList());
}

void tst_DownloadWindows::memoryImageProcessedFromTheAdvancedSettings()
{
    QTemporaryDir folder;
    ConnectedMainWindow main{SimProfile::MonoSerial};
    QVERIFY(main.Open(folder.path()));
    QVERIFY(!DownloadEverything(*main.window).isEmpty());
    QDir dir(folder.path());
    const QStringList images = dir.entryList({QStringLiteral("*.ccx")}, QDir::Files);
    QCOMPARE(images.size(), 1);
    for (const QString &name : dir.entryList({QStringLiteral("*.ccl")}, QDir::Files))
        QVERIFY(dir.remove(name));

    // Advanced settings, PROCESS, the image: its dives come back as .ccl files.
    QString messages;
    bool processed = false;
    ModalResponder responder([&](QWidget *modal) {
        if (auto *advanced = qobject_cast<PrivateSettingsDialog *>(modal)) {
            // Queued: PROCESS opens a window of its own, and this handler must
            // return before it can answer that one.
            QMetaObject::invokeMethod(Button(advanced, processed ? "cancelBtn" : "processCcxBtn"), "click",
                                      Qt::QueuedConnection);
        } else if (auto *ccx = qobject_cast<ProcessCCXDialog *>(modal)) {
            if (Messages(ccx).isEmpty() && !ccx->IsBusy()) {
                ccx->ProcessFiles({dir.filePath(images.first())});
            } else if (!ccx->IsBusy()) {
                messages = Messages(ccx);
                processed = true;
                QTest::mouseClick(Button(ccx, "closeBtn"), Qt::LeftButton);
            }
        }
    });
    main.window->PrivateSettings();
    QVERIFY(processed);
    QCOMPARE(dir.entryList({QStringLiteral("*.ccl")}, QDir::Files).size(), SimProfiles::DefaultDiveCount);
    QVERIFY2(messages.contains(QStringLiteral("saved")), qPrintable(messages));
}

QTEST_MAIN(tst_DownloadWindows)
#include "tst_DownloadWindows.moc"
