// The Dives window under the offscreen platform, on folders of generated
// dive logs: the list (read in its own thread, damaged files listed with
// their error), the profile and its picture, the cursor, the UDDF export of
// the dive shown, the cell report window, and the way in from the main
// window.

#include "AppSettings.h"
#include "CellHealthReport.h"
#include "CellReportDialog.h"
#include "DiveListModel.h"
#include "DiveProfileView.h"
#include "DivesDialog.h"
#include "LogFileWriter.h"
#include "LogRecordGenerator.h"
#include "MainDialog.h"
#include "ModalResponder.h"
#include "SimulatedPortEnumerator.h"
#include "UddfExport.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {

using Behaviour = DivePlan::CellBehaviour;

// A dive on 1.3 bar at 30 m with a switch to 50 % for the stop, a fast
// ascent alarm, and the third cell of controller 1 current-limited at 1.0.
DivePlan Plan(int number, int day)
{
    DivePlan plan;
    plan.diveNumber = number;
    plan.powerOn = QDateTime(QDate(2026, 5, day), QTime(10, 0), Qt::UTC);
    plan.surfaceBefore = 60;
    plan.profile = {{0, 0}, {120, 30}, {1500, 30}, {1740, 6}, {1920, 6}, {2000, 0}};
    plan.gases = {{21, 0}, {50, 0}};
    plan.gasSwitches = {{1740, 1}};
    plan.alarms = {{1600, quint64(1) << 16}, {1640, 0}};
    plan.setpoint = 0.7;
    plan.setpointChanges = {{240, 1.3}, {1740, 0.7}};
    plan.cells[2] = Behaviour::CurrentLimited(1.0);
    plan.waterTemperature = 11.0;
    return plan;
}

QString WriteDive(const QString &folder, const QString &name, const DivePlan &plan)
{
    const QString path = QDir(folder).filePath(name);
    QString error;
    if (!LogFileWriter::WriteSecured(path, LogRecordGenerator::LogFile(plan), &error))
        qWarning() << "could not write" << path << error;
    return path;
}

void WriteBytes(const QString &path, const QByteArray &bytes, const QDateTime &modified)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    // Written out first, or closing would stamp the file with the time now.
    QVERIFY(file.flush());
    QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

// Clicks a save button and answers the file chooser it opens with path,
// typed into the name field as a user would (an existing file is replaced).
// False when the chooser did not take the name (it is then cancelled).
bool SaveThroughChooser(QPushButton *button, const QString &path)
{
    bool typed = false;
    bool acceptDone = false;
    bool refused = false;
    ModalResponder responder([&](QWidget *modal) {
        // The chooser's own question whether to replace an existing file.
        if (auto *question = qobject_cast<QMessageBox *>(modal)) {
            question->button(QMessageBox::Yes)->click();
            return;
        }
        auto *chooser = qobject_cast<QFileDialog *>(modal);
        if (!chooser)
            return;
        if (acceptDone) {
            // Still open after taking the name in: it refused it.
            refused = true;
            chooser->reject();
            return;
        }
        if (typed)
            return;
        typed = true;
        chooser->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
        // Queued: a question the chooser asks must find this responder
        // free to answer it.
        QMetaObject::invokeMethod(
            chooser,
            [chooser, &acceptDone] {
                QMetaObject::invokeMethod(chooser, "accept");
                acceptDone = true;
            },
            Qt::QueuedConnection);
    });
    QTest::mouseClick(button, Qt::LeftButton);
    return typed && !refused;
}

// A regular file: nothing can be written below it, whoever runs the tests.
QString RegularFile(const QString &folder)
{
    const QString path = QDir(folder).filePath(QStringLiteral("regular_file"));
    QFile file(path);
    if (!file.exists() && file.open(QIODevice::WriteOnly))
        file.write("not a folder");
    return path;
}

QStringList Column(const DiveListModel *model, int column)
{
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->data(model->index(row, column)).toString();
    return texts;
}

} // namespace

class TestDivesWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void listWithDamagedFiles();
    void profileOfADive();
    void profileSavedAsPng();
    void uddfExportOfTheDiveShown();
    void cellReportLeadsToTheEvidence();
    void cellReportSaved_data();
    void cellReportSaved();
    void folderWithoutDives_data();
    void folderWithoutDives();
    void profileSavedThroughTheButton_data();
    void profileSavedThroughTheButton();
    void uddfExportFailureIsShown();
    void openedFromTheMainWindow();

private:
    QTemporaryDir m_dir;
    QString m_folder;
    QStringList m_good; // oldest first
};

void TestDivesWindow::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_folder = m_dir.filePath(QStringLiteral("dives"));
    QVERIFY(QDir().mkpath(m_folder));
    for (int i = 0; i < 3; ++i)
        m_good << WriteDive(m_folder, QStringLiteral("12A3456_2026_05_0%1.ccl").arg(i + 1), Plan(20 + i, 10 + i * 5));
    // Damaged files, written between the dives' dates, and a file that is no
    // dive log at all.
    QFile good(m_good.first());
    QVERIFY(good.open(QIODevice::ReadOnly));
    QByteArray broken = good.readAll();
    broken[broken.size() / 2] = char(broken[broken.size() / 2] ^ 0x5A);
    WriteBytes(QDir(m_folder).filePath(QStringLiteral("bit_flipped.ccl")), broken, QDateTime(QDate(2026, 5, 12), QTime(8, 0), Qt::UTC));
    WriteBytes(QDir(m_folder).filePath(QStringLiteral("cut_short.CCL")), QByteArray("\0\0", 2),
               QDateTime(QDate(2026, 5, 30), QTime(8, 0), Qt::UTC));
    WriteBytes(QDir(m_folder).filePath(QStringLiteral("notes.txt")), "not a dive", QDateTime::currentDateTimeUtc());
    AppSettings::SetValue(AppSettings::Key::DownloadDirectory, m_folder);
}

void TestDivesWindow::listWithDamagedFiles()
{
    DivesDialog window;
    QSignalSpy finished(&window, &DivesDialog::ListingFinished);
    window.show();
    QCOMPARE(window.Folder(), m_folder);
    QVERIFY(finished.wait(30000) || finished.count() == 1);
    QCOMPARE(finished.first().first().toInt(), 5);
    QVERIFY(!window.IsListing());

    const DiveListModel *model = window.Model();
    QCOMPARE(model->rowCount(), 5);
    // Newest first: a damaged file stands at the time it was written.
    QCOMPARE(Column(model, DiveListModel::FileColumn),
             (QStringList{QStringLiteral("cut_short.CCL"), QStringLiteral("12A3456_2026_05_03.ccl"), QStringLiteral("12A3456_2026_05_02.ccl"),
                          QStringLiteral("bit_flipped.ccl"), QStringLiteral("12A3456_2026_05_01.ccl")}));
    QCOMPARE(Column(model, DiveListModel::NumberColumn)[1], QStringLiteral("22"));
    QCOMPARE(Column(model, DiveListModel::DateColumn)[1], QStringLiteral("2026-05-20 10:01"));
    QCOMPARE(Column(model, DiveListModel::HandsetColumn)[1], QStringLiteral("12A3456"));
    QVERIFY2(Column(model, DiveListModel::DurationColumn)[1].startsWith(QStringLiteral("0:3")), qPrintable(Column(model, DiveListModel::DurationColumn)[1]));
    QCOMPARE(Column(model, DiveListModel::DepthColumn)[1], QStringLiteral("30.0 m"));

    // The damaged files say why, over the columns of the dive's figures.
    const QString cut = Column(model, DiveListModel::NumberColumn)[0];
    const QString flipped = Column(model, DiveListModel::NumberColumn)[3];
    QVERIFY2(cut.startsWith(QStringLiteral("Damaged: ")) && cut.contains(QStringLiteral("format")), qPrintable(cut));
    QVERIFY2(flipped.contains(QStringLiteral("checksum"), Qt::CaseInsensitive), qPrintable(flipped));
    auto *table = window.findChild<QTableView *>(QStringLiteral("diveTable"));
    QCOMPARE(table->columnSpan(0, DiveListModel::NumberColumn), DiveListModel::FileColumn - DiveListModel::NumberColumn);
    QCOMPARE(table->columnSpan(1, DiveListModel::NumberColumn), 1);
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("listStatusLabel"))->text(), QStringLiteral("3 dives, damaged files: 2"));
    QVERIFY(window.findChild<QPushButton *>(QStringLiteral("cellReportBtn"))->isEnabled());

    // Choosing a damaged file shows its error and offers no export.
    auto *uddf = window.findChild<QPushButton *>(QStringLiteral("uddfBtn"));
    table->selectRow(0);
    QVERIFY(!window.Profile()->HasDive());
    QVERIFY(!uddf->isEnabled());
    QVERIFY(window.findChild<QLabel *>(QStringLiteral("summaryLabel"))->text().contains(QStringLiteral("cut_short.CCL")));
    table->selectRow(1);
    QVERIFY(window.Profile()->HasDive());
    QVERIFY(uddf->isEnabled());
    const QString summary = window.findChild<QLabel *>(QStringLiteral("summaryLabel"))->text();
    QVERIFY2(summary.contains(QStringLiteral("30.0 m")) && summary.contains(QStringLiteral("air, 50% nx"), Qt::CaseInsensitive),
             qPrintable(summary));
    QVERIFY2(summary.contains(QStringLiteral("good, good, replace")), qPrintable(summary));

    // REFRESH reads the folder again, and a new file shows up in its place.
    const QString added = WriteDive(m_folder, QStringLiteral("12A3456_2026_06_01.ccl"), Plan(23, 31));
    QSignalSpy again(&window, &DivesDialog::ListingFinished);
    window.findChild<QPushButton *>(QStringLiteral("refreshBtn"))->click();
    QVERIFY(again.wait(30000) || again.count() == 1);
    QCOMPARE(model->rowCount(), 6);
    QCOMPARE(Column(model, DiveListModel::FileColumn).first(), QFileInfo(added).fileName());
    QVERIFY(QFile::remove(added));
}

void TestDivesWindow::profileOfADive()
{
    DivesDialog window;
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(!window.IsListing(), 30000);
    QVERIFY(window.SelectDive(m_good.last()));
    QCOMPARE(window.ShownFile(), QFileInfo(m_good.last()).absoluteFilePath());
    DiveProfileView *profile = window.Profile();
    QVERIFY(profile->HasDive());
    QCOMPARE(profile->ShownController(), 1);
    // Gas switch and alarm markers; the limited cell's region.
    QCOMPARE(profile->MarkerLabels(), (QStringList{QStringLiteral("AIR"), QStringLiteral("fast ascent"), QStringLiteral("50% Nx")}));
    const auto regions = profile->EvidenceRegions();
    QCOMPARE(regions.size(), 1);
    QVERIFY(regions.first().second - regions.first().first > 1000);

    // The cursor shows the values at a time.
    QSignalSpy moved(profile, &DiveProfileView::CursorMoved);
    profile->SetCursorTime(600);
    QCOMPARE(moved.count(), 1);
    const QString text = window.findChild<QLabel *>(QStringLiteral("cursorLabel"))->text();
    QCOMPARE(text, profile->CursorText());
    QVERIFY2(text.startsWith(QStringLiteral("10:00")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("30.0 m")) && text.contains(QStringLiteral("11.0 °C")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("1.30 / 1.30 / 1.00 bar (controller 1)")) && text.contains(QStringLiteral("setpoint 1.30 bar")),
             qPrintable(text));

    // Controller 2's cells are healthy: no region.
    window.findChild<QComboBox *>(QStringLiteral("controllerCombo"))->setCurrentIndex(2);
    QCOMPARE(profile->ShownController(), 2);
    QVERIFY(profile->EvidenceRegions().isEmpty());
    QVERIFY2(profile->CursorText().contains(QStringLiteral("1.30 / 1.30 / 1.30 bar (controller 2)")), qPrintable(profile->CursorText()));

    // Imperial units.
    window.SetMetricUnits(false);
    QVERIFY2(profile->CursorText().contains(QStringLiteral("98 ft")) && profile->CursorText().contains(QStringLiteral("51.8 °F")),
             qPrintable(profile->CursorText()));
    const QString summary = window.findChild<QLabel *>(QStringLiteral("summaryLabel"))->text();
    QVERIFY2(summary.contains(QStringLiteral("98 ft")) && !summary.contains(QStringLiteral(" m<")), qPrintable(summary));
}

void TestDivesWindow::profileSavedAsPng()
{
    DivesDialog window;
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(!window.IsListing(), 30000);
    QVERIFY(window.SelectDive(m_good.first()));
    const QString path = m_dir.filePath(QStringLiteral("profile.png"));
    QVERIFY(window.Profile()->SaveImage(path));
    QImage image;
    QVERIFY(image.load(path, "PNG"));
    QCOMPARE(image.size(), DiveProfileView::DefaultImageSize());

    // The depth trace is drawn, and depth grows downwards: the trace lies
    // higher on the picture at the start of the dive than at its bottom.
    const QRgb depth = DiveProfileView::DepthColour().rgb();
    int pixels = 0;
    QVector<int> lowestY(image.width(), -1);
    const int upper = image.height() * 6 / 10;
    for (int y = 0; y < upper; ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (depth & 0xFFFFFF)) {
                ++pixels;
                lowestY[x] = y;
            }
    QVERIFY2(pixels > image.width() / 2, qPrintable(QString::number(pixels)));
    QVector<int> columns;
    for (int x = 0; x < image.width(); ++x)
        if (lowestY[x] >= 0)
            columns.append(x);
    QVERIFY(columns.size() > 100);
    const int surfaceY = lowestY[columns.first()];
    const int bottomY = lowestY[columns[columns.size() / 2]];
    QVERIFY2(bottomY > surfaceY + upper / 3, qPrintable(QStringLiteral("%1 %2").arg(surfaceY).arg(bottomY)));
    // The picture is not the empty plot of a window showing no dive.
    DiveProfileView empty;
    const QImage blank = empty.Render(DiveProfileView::DefaultImageSize());
    QVERIFY(blank != image);
}

void TestDivesWindow::uddfExportOfTheDiveShown()
{
    DivesDialog window;
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(!window.IsListing(), 30000);
    QVERIFY(window.SelectDive(m_good[1]));
    int asked = 0;
    window.SetOverwriteQuestion([&asked](const QString &) {
        ++asked;
        return false;
    });
    const QString target = UddfExport::TargetPathFor(m_good[1]);
    QFile::remove(target);
    window.findChild<QPushButton *>(QStringLiteral("uddfBtn"))->click();
    QVERIFY(QFile::exists(target));
    QCOMPARE(asked, 0);
    QVERIFY(window.findChild<QLabel *>(QStringLiteral("exportStatusLabel"))->text().contains(QFileInfo(target).fileName()));
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    file.close();
    QVERIFY(written.contains("<divenumber>21</divenumber>"));
    // Asked again: the answer No keeps the file as it is.
    QCOMPARE(window.ExportShownDive(), int(UddfExport::Declined));
    QCOMPARE(asked, 1);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), written);
    QFile::remove(target);
}

void TestDivesWindow::cellReportLeadsToTheEvidence()
{
    DivesDialog window;
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(!window.IsListing(), 30000);

    // The report window, opened from CELL REPORT, lists the limited cell to
    // replace; choosing its newest reason shows that dive with the region.
    QString reportText;
    int cellItems = 0;
    QStringList otherRatings;
    QString limitedRating, newestReason;
    int limitedReasons = 0;
    bool showEnabled = false;
    ModalResponder responder([&](QWidget *modal) {
        auto *report = qobject_cast<CellReportDialog *>(modal);
        if (!report)
            return;
        reportText = report->ReportText();
        auto *tree = report->findChild<QTreeWidget *>(QStringLiteral("reportTree"));
        QTreeWidgetItem *handset = tree->topLevelItem(0);
        QTreeWidgetItem *limited = nullptr;
        for (int i = 0; handset && i < handset->childCount(); ++i) {
            QTreeWidgetItem *item = handset->child(i);
            if (!item->text(0).startsWith(QStringLiteral("Controller")))
                continue;
            ++cellItems;
            if (item->text(0) == QStringLiteral("Controller 1, cell 3"))
                limited = item;
            else
                otherRatings << item->text(1);
        }
        if (!limited) {
            report->reject();
            return;
        }
        limitedRating = limited->text(1);
        limitedReasons = limited->childCount();
        QTreeWidgetItem *newest = limited->child(limited->childCount() - 1);
        newestReason = newest->text(1);
        tree->setCurrentItem(newest);
        auto *show = report->findChild<QPushButton *>(QStringLiteral("showBtn"));
        showEnabled = show->isEnabled();
        show->click();
        if (report->isVisible())
            report->reject();
    });
    window.findChild<QPushButton *>(QStringLiteral("cellReportBtn"))->click();
    QCOMPARE(cellItems, 6);
    QCOMPARE(otherRatings, (QStringList{QStringLiteral("good"), QStringLiteral("good"), QStringLiteral("good"), QStringLiteral("good"), QStringLiteral("good")}));
    QCOMPARE(limitedRating, QStringLiteral("replace"));
    QCOMPARE(limitedReasons, 3); // one per dive, oldest first
    QVERIFY2(newestReason.contains(QStringLiteral("Dive 22")) && newestReason.contains(QStringLiteral("current-limited")),
             qPrintable(newestReason));
    QVERIFY(showEnabled);
    QVERIFY2(reportText.contains(QStringLiteral("Cell 3: replace")), qPrintable(reportText));
    QCOMPARE(window.ShownFile(), QFileInfo(m_good.last()).absoluteFilePath());
    QCOMPARE(window.Profile()->ShownController(), 1);
    const auto regions = window.Profile()->EvidenceRegions();
    QCOMPARE(regions.size(), 1);
    QCOMPARE(window.Profile()->CursorTime(), regions.first().first);
}

void TestDivesWindow::cellReportSaved_data()
{
    QTest::addColumn<QString>("target"); // below the test's folder
    QTest::addColumn<bool>("saved");
    QTest::newRow("writable folder") << QStringLiteral("report.txt") << true;
    QTest::newRow("earlier report replaced") << QStringLiteral("earlier_report.txt") << true;
    QTest::newRow("below a regular file") << QStringLiteral("regular_file/report.txt") << false;
}

void TestDivesWindow::cellReportSaved()
{
    QFETCH(QString, target);
    QFETCH(bool, saved);
    RegularFile(m_dir.path());
    const QString path = m_dir.filePath(target);
    QFile::remove(path);
    if (target.startsWith(QStringLiteral("earlier"))) {
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write(QByteArray(100000, 'x'));
    }

    DivesDialog dives;
    QTRY_VERIFY_WITH_TIMEOUT(!dives.IsListing(), 30000);
    QVector<DiveCellHealth> cells;
    for (const DiveListEntry &e : dives.Model()->Entries())
        if (e.loaded)
            cells.append(e.cells);
    QCOMPARE(cells.size(), 3);
    CellReportDialog report;
    report.SetReport(CellHealthReport(cells));
    report.show();
    auto *status = report.findChild<QLabel *>(QStringLiteral("saveStatusLabel"));
    QVERIFY(status);
    QVERIFY(status->text().isEmpty());

    QVERIFY(SaveThroughChooser(report.findChild<QPushButton *>(QStringLiteral("saveBtn")), path));
    const QString shown = QDir::toNativeSeparators(path);
    if (saved) {
        QCOMPARE(status->text(), QStringLiteral("Report saved as %1").arg(shown));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(QString::fromUtf8(file.readAll()), report.ReportText());
        QVERIFY(report.ReportText().contains(QStringLiteral("Cell 3: replace")));
    } else {
        QCOMPARE(status->text(), QStringLiteral("The report could not be saved as %1").arg(shown));
        QVERIFY(!QFileInfo::exists(path));
    }
    QVERIFY(report.isVisible());
    QFile::remove(path);
}

void TestDivesWindow::folderWithoutDives_data()
{
    QTest::addColumn<QString>("folder"); // below the test's folder
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("status");
    QTest::newRow("not there yet") << QStringLiteral("not_yet_made") << QStringList() << QStringLiteral("The folder does not exist");
    QTest::newRow("empty") << QStringLiteral("empty") << QStringList() << QStringLiteral("No dive logs in this folder");
    QTest::newRow("no dive logs") << QStringLiteral("other_files") << QStringList{QStringLiteral("notes.txt"), QStringLiteral("dive.uddf")}
                                  << QStringLiteral("No dive logs in this folder");
}

void TestDivesWindow::folderWithoutDives()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, files);
    QFETCH(QString, status);
    const QString path = m_dir.filePath(folder);
    if (folder != QStringLiteral("not_yet_made")) {
        QVERIFY(QDir().mkpath(path));
        for (const QString &name : files)
            WriteBytes(QDir(path).filePath(name), "not a dive", QDateTime::currentDateTimeUtc());
    }

    DivesDialog window(nullptr, path);
    QSignalSpy finished(&window, &DivesDialog::ListingFinished);
    window.show();
    QVERIFY(finished.wait(30000) || finished.count() == 1);
    QCOMPARE(finished.first().first().toInt(), 0);
    QVERIFY(!window.IsListing());
    QCOMPARE(window.Model()->rowCount(), 0);
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("listStatusLabel"))->text(), status);
    QVERIFY(!window.findChild<QPushButton *>(QStringLiteral("cellReportBtn"))->isEnabled());
    QVERIFY(!window.findChild<QPushButton *>(QStringLiteral("uddfBtn"))->isEnabled());
    QVERIFY(!window.findChild<QPushButton *>(QStringLiteral("savePngBtn"))->isEnabled());
    QVERIFY(!window.Profile()->HasDive());
    // Looking never makes the folder.
    QCOMPARE(QDir(path).exists(), folder != QStringLiteral("not_yet_made"));
}

void TestDivesWindow::profileSavedThroughTheButton_data()
{
    QTest::addColumn<QString>("target"); // below the test's folder
    QTest::addColumn<bool>("saved");
    QTest::newRow("writable folder") << QStringLiteral("chosen_profile.png") << true;
    QTest::newRow("below a regular file") << QStringLiteral("regular_file/profile.png") << false;
}

void TestDivesWindow::profileSavedThroughTheButton()
{
    QFETCH(QString, target);
    QFETCH(bool, saved);
    RegularFile(m_dir.path());
    const QString path = m_dir.filePath(target);
    QFile::remove(path);

    DivesDialog window;
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(!window.IsListing(), 30000);
    QVERIFY(window.SelectDive(m_good.first()));
    QVERIFY(SaveThroughChooser(window.findChild<QPushButton *>(QStringLiteral("savePngBtn")), path));
    const QString status = window.findChild<QLabel *>(QStringLiteral("exportStatusLabel"))->text();
    const QString shown = QDir::toNativeSeparators(path);
    if (saved) {
        QCOMPARE(status, QStringLiteral("Profile saved as %1").arg(shown));
        QImage image;
        QVERIFY(image.load(path, "PNG"));
        QCOMPARE(image.size(), DiveProfileView::DefaultImageSize());
    } else {
        QCOMPARE(status, QStringLiteral("The picture could not be saved as %1").arg(shown));
        QVERIFY(!QFileInfo::exists(path));
    }
    // The dive stays shown and can still be saved.
    QVERIFY(window.Profile()->HasDive());
    QVERIFY(window.findChild<QPushButton *>(QStringLiteral("savePngBtn"))->isEnabled());
    QFile::remove(path);
}

void TestDivesWindow::uddfExportFailureIsShown()
{
    // The dive is listed and shown from a folder of its own; then the folder
    // gives way to a regular file, so the UDDF file beside the log cannot be
    // made.
    const QString folder = m_dir.filePath(QStringLiteral("gone_after_listing"));
    QVERIFY(QDir().mkpath(folder));
    const QString log = QDir(folder).filePath(QFileInfo(m_good[1]).fileName());
    QVERIFY(QFile::copy(m_good[1], log));

    DivesDialog window(nullptr, folder);
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(!window.IsListing(), 30000);
    QVERIFY(window.SelectDive(log));
    auto *uddf = window.findChild<QPushButton *>(QStringLiteral("uddfBtn"));
    QVERIFY(uddf->isEnabled());
    QVERIFY(QDir(folder).removeRecursively());
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    uddf->click();
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("exportStatusLabel"))->text(),
             QStringLiteral("UDDF not written: Unable to open the target UDDF file"));
    QVERIFY(!QFileInfo::exists(UddfExport::TargetPathFor(log)));
    QVERIFY(QFile::remove(folder));
}

void TestDivesWindow::openedFromTheMainWindow()
{
    MainDialog main(std::make_shared<SimulatedPortEnumerator>());
    auto *dives = main.findChild<QPushButton *>(QStringLiteral("divesBtn"));
    QVERIFY(dives);
    QCOMPARE(dives->property("BtnMenuNoIcon").toBool(), true);
    bool opened = false;
    ModalResponder responder([&](QWidget *modal) {
        auto *window = qobject_cast<DivesDialog *>(modal);
        if (!window)
            return;
        opened = true;
        window->findChild<QPushButton *>(QStringLiteral("closeBtn"))->click();
    });
    dives->click();
    QVERIFY(opened);
}

QTEST_MAIN(TestDivesWindow)
#include "tst_DivesWindow.moc"
