#include "CliSession.h"

#include "AppSettings.h"
#include "DownloadFolder.h"
#include "LogBookV2.h"
#include "RBData.h"
#include "RebreatherSimulator.h"
#include "SimProfiles.h"
#include "WorkerC.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int OpenTimeoutMs = 60000;
constexpr int StepTimeoutMs = 120000;
// A full colour memory over a serial link takes hours; the worker ends a
// download itself when the link fails.
constexpr int DownloadTimeoutMs = -1;

} // namespace

CliSession::CliSession(const Options &options)
    : m_options(options), m_progress(stdout, isatty(fileno(stdout)) != 0)
{
}

CliSession::~CliSession()
{
    if (m_thread.isRunning()) {
        m_thread.quit();
        m_thread.wait();
    }
}

template <typename Done>
bool CliSession::WaitFor(Done done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs));
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    return true;
}

void CliSession::Print(const QString &line)
{
    m_progress.Break();
    std::fprintf(stdout, "%s\n", qPrintable(line));
    std::fflush(stdout);
}

int CliSession::Fail(int code, const QString &message)
{
    m_progress.Break();
    m_error = message;
    std::fprintf(stderr, "tessaro-cli: %s\n", qPrintable(message));
    return code;
}

int CliSession::AnswerOverwrite(const QString &question)
{
    if (m_options.yesToAll)
        return WorkerC::ResultYesToAll;
    if (m_options.noToAll)
        return WorkerC::ResultNoToAll;
    Print(question + QStringLiteral(" No (use --yes-to-all to overwrite)"));
    return WorkerC::ResultNo;
}

void CliSession::TakeResult(bool ok, const QString &msg)
{
    m_result = ok;
    m_message = msg;
    ++m_results;
}

int CliSession::Connect()
{
    QString port = m_options.port;
    if (!m_options.simulate.isEmpty()) {
        SimProfile profile;
        if (!SimProfiles::FromName(m_options.simulate, profile))
            return Fail(2, QStringLiteral("Unknown simulator profile \"%1\" (known: %2)")
                               .arg(m_options.simulate, SimProfiles::Names().join(QStringLiteral(", "))));
        m_simulator = std::make_unique<RebreatherSimulator>(profile);
        QString error;
        if (!m_simulator->Start(&error))
            return Fail(2, QStringLiteral("The simulated rebreather did not start: ") + error);
        port = m_simulator->PortPath();
        Print(QStringLiteral("Simulated rebreather (%1) on %2").arg(m_options.simulate, port));
    }
    if (port.isEmpty())
        return Fail(2, QStringLiteral("No port given (--port PATH or --simulate PROFILE)"));

    m_worker = new WorkerC();
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(&m_thread, &QThread::started, m_worker, &WorkerC::Start);
    connect(m_worker, &WorkerC::OpenComPortResult, this, [this](bool ok) {
        m_opened = true;
        m_openResult = ok;
    });
    connect(m_worker, &WorkerC::DownloadV1PrepareDownloadResult, this, &CliSession::TakeResult);
    connect(m_worker, &WorkerC::DownloadV2ReadLogBookResult, this, &CliSession::TakeResult);
    connect(m_worker, &WorkerC::DownloadDownloadResult, this, &CliSession::TakeResult);
    connect(m_worker, &WorkerC::DownloadDownloadTimeEstimate, this, [this](int seconds) {
        m_progress.SetEstimate(seconds);
        ++m_estimates;
    });
    connect(m_worker, &WorkerC::DownloadDownloadProgress, this, [this](int p) { m_progress.Update(p); });
    connect(m_worker, qOverload<QString, bool>(&WorkerC::DownloadDownloadMsg), this,
            [this](const QString &msg, bool) {
                if (msg.isEmpty())
                    return;
                Print(msg);
                // "File %1 Saved" for logs and images, "File %1 - Saved" for UDDF.
                for (const QString &suffix : {QStringLiteral(" - Saved"), QStringLiteral(" Saved")}) {
                    if (msg.startsWith(QLatin1String("File ")) && msg.endsWith(suffix)) {
                        const QString name = msg.mid(5, msg.size() - 5 - suffix.size());
                        const QString path = QDir(m_options.directory).filePath(name);
                        if (!m_saved.contains(path))
                            m_saved << path;
                        break;
                    }
                }
            });
    connect(m_worker, &WorkerC::AskYesYesToAllNoNoToAllQuestion, this,
            [this](const QString &q) { m_worker->AnswerYesYesToAllNoNoToAllQuestion(AnswerOverwrite(q)); });
    connect(m_worker, &WorkerC::AskYesNoQuestion, this,
            [this](const QString &q) { m_worker->AnswerYesNoQuestion(AnswerOverwrite(q) == WorkerC::ResultYesToAll ? WorkerC::ResultYes : WorkerC::ResultNo); });
    m_thread.start();
    if (!WaitFor([this] { return !m_worker->IsWorkInProgress(); }, OpenTimeoutMs))
        return Fail(3, QStringLiteral("The worker did not start"));

    QMetaObject::invokeMethod(m_worker, "OpenComPort", Qt::QueuedConnection, Q_ARG(QString, port),
                              Q_ARG(QString, QStringLiteral("tessaro-cli")), Q_ARG(bool, true));
    if (!WaitFor([this] { return m_opened; }, OpenTimeoutMs) || !m_openResult)
        return Fail(3, QStringLiteral("Unable to open %1").arg(port));
    const RBData record = m_worker->RBDataSnapshot();
    if (!record.IsHandsetPresent())
        return Fail(3, QStringLiteral("No handset answers on %1").arg(port));
    Print(QStringLiteral("Connected to handset %1").arg(record.SerialNumber(record.DisplayDeviceId())));
    return 0;
}

int CliSession::Download()
{
    if (const int code = Connect())
        return code;
    // A folder given on the command line is taken as a shell would take it;
    // the stored one by the rule the settings window uses (below home).
    if (m_options.directory.isEmpty())
        m_options.directory = DownloadFolder::Current();
    if (!QDir().mkpath(m_options.directory))
        return Fail(2, QStringLiteral("Unable to create the download folder %1").arg(m_options.directory));
    m_options.directory = QDir(m_options.directory).absolutePath();
    if (m_options.uddf)
        AppSettings::SetProcessOverride(AppSettings::Key::DownloadUddf, true);
    Print(QStringLiteral("Download folder %1").arg(m_options.directory));

    const int format = m_worker->RBDataSnapshot().DisplayLoggingFormat();
    int code = 0;
    if (format == RBData::LoggingFormatColourV2)
        code = DownloadV2();
    else if (format == RBData::LoggingFormatMono || format == RBData::LoggingFormatColourV1)
        code = DownloadV1();
    else
        code = Fail(3, QStringLiteral("The handset's logging format is not known"));
    if (code == 0) {
        Print(QStringLiteral("Files made: %1").arg(m_saved.size()));
        for (const QString &path : qAsConst(m_saved))
            Print(QStringLiteral("  ") + path);
    }
    return code;
}

int CliSession::DownloadV1()
{
    int before = m_results;
    QMetaObject::invokeMethod(m_worker, "DownloadV1PrepareDownload", Qt::QueuedConnection,
                              Q_ARG(QString, m_options.directory), Q_ARG(bool, m_options.full));
    if (!WaitFor([&] { return m_results > before; }, StepTimeoutMs))
        return Fail(4, QStringLiteral("No answer to the download preparation"));
    if (!m_result)
        return Fail(1, m_message);
    before = m_results;
    QMetaObject::invokeMethod(m_worker, "DownloadV1DownloadData", Qt::QueuedConnection,
                              Q_ARG(QString, m_options.directory));
    WaitFor([&] { return m_results > before; }, DownloadTimeoutMs);
    m_progress.Break();
    if (!m_message.isEmpty())
        Print(m_message);
    return m_result ? 0 : Fail(1, m_message);
}

int CliSession::DownloadV2()
{
    int before = m_results;
    QMetaObject::invokeMethod(m_worker, "DownloadV2ReadLogBook", Qt::QueuedConnection, Q_ARG(bool, m_options.full));
    if (!WaitFor([&] { return m_results > before; }, StepTimeoutMs))
        return Fail(4, QStringLiteral("No answer to the log book read"));
    m_progress.Break();
    if (!m_result) {
        // A unit that has logged nothing is not a failure.
        if (m_message == QLatin1String("Log book read completed, No Logged Data")) {
            Print(m_message);
            return 0;
        }
        return Fail(1, m_message);
    }

    // The worker is idle: the log book is ours to read and select in.
    LogBookV2 *book = m_worker->GetLogBookV2();
    book->MakeFileNamesUnique();
    book->MarkDownloadedBefore(m_options.directory);
    if (m_options.dives == QLatin1String("all")) {
        book->SelectAllDives();
    } else if (m_options.dives == QLatin1String("new")) {
        book->SelectNewDives();
    } else {
        for (const QString &part : m_options.dives.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            bool ok = false;
            const int number = part.trimmed().toInt(&ok);
            if (!ok || !book->FindByDiveNumber(number))
                return Fail(2, QStringLiteral("No dive number %1 in the log book").arg(part.trimmed()));
            book->SelectOne(number, true);
        }
    }
    // As the download window does: ask before replacing files already here.
    bool yesToAll = m_options.yesToAll;
    bool noToAll = m_options.noToAll;
    for (int i = 0; i < book->Count(); ++i) {
        LogBookRecord *r = book->At(i);
        if (!r->selected || !r->downloadedBefore || yesToAll)
            continue;
        if (noToAll) {
            r->selected = false;
            Print(QStringLiteral("%1 already exists, skipped").arg(r->FileName()));
        } else {
            Print(QStringLiteral("%1 already exists, skipped (use --yes-to-all to overwrite)").arg(r->FileName()));
            r->selected = false;
        }
    }
    Print(QStringLiteral("Log book: %1 dives, %2 selected").arg(book->Count()).arg([&] {
        int n = 0;
        for (int i = 0; i < book->Count(); ++i)
            n += book->At(i)->selected ? 1 : 0;
        return n;
    }()));
    if (!book->AnySelected()) {
        Print(QStringLiteral("Nothing to download"));
        return 0;
    }
    const int estimatesBefore = m_estimates;
    QMetaObject::invokeMethod(m_worker, "DownloadV2DownloadSelectionChanged", Qt::QueuedConnection);
    if (!WaitFor([&] { return m_estimates > estimatesBefore; }, StepTimeoutMs))
        return Fail(4, QStringLiteral("No answer to the dive selection"));
    before = m_results;
    QMetaObject::invokeMethod(m_worker, "DownloadV2DownloadData", Qt::QueuedConnection,
                              Q_ARG(QString, m_options.directory));
    WaitFor([&] { return m_results > before; }, DownloadTimeoutMs);
    m_progress.Break();
    if (!m_message.isEmpty())
        Print(m_message);
    return m_result ? 0 : Fail(1, m_message);
}

void CliSession::PrintPieces(const QString &msg)
{
    // The worker's texts for the windows carry their lines separated by "~~~".
    for (const QString &piece : msg.split(QStringLiteral("~~~"), Qt::SkipEmptyParts))
        Print(piece);
}

int CliSession::Upload()
{
    if (m_options.updateFile.isEmpty())
        return Fail(2, QStringLiteral("No update file given (tessaro-cli upload FILE.ccr ...)"));
    const QString file = QFileInfo(m_options.updateFile).absoluteFilePath();
    if (const int code = Connect())
        return code;

    // The questions of an upload, answered from the flags. Without them the
    // answer is no: nothing older replaces newer code and no logging system
    // changes unless asked for.
    disconnect(m_worker, &WorkerC::AskYesNoQuestion, this, nullptr);
    connect(m_worker, &WorkerC::AskYesNoQuestion, this, [this](const QString &q) {
        Print(q);
        Print(m_options.yes ? QStringLiteral("Yes (--yes)") : QStringLiteral("No (use --yes to accept)"));
        m_worker->AnswerYesNoQuestion(m_options.yes ? WorkerC::ResultYes : WorkerC::ResultNo);
    });
    connect(m_worker, &WorkerC::AskYesConfirmation, this, [this] {
        Print(QStringLiteral("The dive profiles on the unit will be lost."));
        Print(m_options.acceptProfileLoss ? QStringLiteral("Accepted (--accept-profile-loss)")
                                          : QStringLiteral("Not accepted (use --accept-profile-loss)"));
        m_worker->AnswerYesConfirmation(m_options.acceptProfileLoss ? WorkerC::ResultYes : WorkerC::ResultNo);
    });
    connect(m_worker, &WorkerC::UploadLoadUploadFileResult, this, &CliSession::TakeResult);
    connect(m_worker, &WorkerC::UploadUploadFileResult, this, &CliSession::TakeResult);
    connect(m_worker, &WorkerC::UploadUploadFileMsg, this, [this](const QString &msg) { PrintPieces(msg); });
    connect(m_worker, &WorkerC::UploadUploadTimeEstimate, this, [this](int seconds) {
        m_progress.SetEstimate(seconds);
        Print(QStringLiteral("Estimated upload time %1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0')));
    });
    connect(m_worker, &WorkerC::UploadUploadFileProgress, this,
            [this](double fraction) { m_progress.Update(int(fraction * 100.0)); });

    Print(QStringLiteral("Opening %1").arg(file));
    int before = m_results;
    QMetaObject::invokeMethod(m_worker, "UploadLoadUploadFile", Qt::QueuedConnection, Q_ARG(QString, file));
    if (!WaitFor([&] { return m_results > before; }, StepTimeoutMs))
        return Fail(4, QStringLiteral("No answer to loading the update file"));
    if (!m_result) {
        PrintPieces(m_message);
        return Fail(1, QStringLiteral("The update file was refused"));
    }

    Print(QStringLiteral("Uploading file"));
    m_progress.SetCompletedText(QStringLiteral("Upload Completed"));
    before = m_results;
    QMetaObject::invokeMethod(m_worker, "UploadUploadFile", Qt::QueuedConnection);
    // A whole display over Bluetooth takes minutes; the worker ends the
    // upload itself when the link fails.
    WaitFor([&] { return m_results > before; }, DownloadTimeoutMs);
    m_progress.Break();
    PrintPieces(m_message);
    return m_result ? 0 : Fail(1, m_message.split(QStringLiteral("~~~"), Qt::SkipEmptyParts).join(QLatin1Char(' ')));
}

int CliSession::ClockSync()
{
    if (const int code = Connect())
        return code;
    QDateTime shown;
    bool displayed = false;
    QString refused;
    connect(m_worker, &WorkerC::ClockDisplayDateTime, this, [&](const QDateTime &dt) {
        shown = dt;
        displayed = true;
    });
    // The worker refuses (and says why) when this computer's clock lies
    // outside the years the device clock holds.
    connect(m_worker, &WorkerC::GeneralMsg, this, [&](const QString &msg) { refused = msg; });
    QMetaObject::invokeMethod(m_worker, "ClockSynchronise", Qt::QueuedConnection);
    QMetaObject::invokeMethod(m_worker, "ClockReadRTCDateTime", Qt::QueuedConnection);
    if (!WaitFor([&] { return displayed; }, StepTimeoutMs))
        return Fail(4, QStringLiteral("No answer from the clock"));
    if (!refused.isEmpty())
        return Fail(1, refused);
    if (!shown.isValid())
        return Fail(1, QStringLiteral("The real-time clock could not be read after synchronising"));
    const qint64 off = QDateTime::currentDateTime().secsTo(shown);
    if (qAbs(off) > 2)
        return Fail(1, QStringLiteral("The real-time clock reads %1, %2 s from this computer's clock")
                           .arg(shown.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")))
                           .arg(off));
    Print(QStringLiteral("Clock synchronised: %1").arg(shown.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"))));
    return 0;
}
