#pragma once

// Collects the diagnostic lines of every thread while installed, so a test
// can check what the status log would have said. Warnings and worse still
// reach the handler that was there before.

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <mutex>

class LogCollector
{
public:
    static void Install() { Previous() = qInstallMessageHandler(Collect); }
    static void Uninstall() { qInstallMessageHandler(Previous()); }

    // The lines collected since the last call.
    static QStringList Take()
    {
        std::lock_guard<std::mutex> lock(Mutex());
        QStringList out = Lines();
        Lines().clear();
        return out;
    }

private:
    static void Collect(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        {
            std::lock_guard<std::mutex> lock(Mutex());
            Lines() << text;
        }
        if (type != QtDebugMsg && Previous())
            Previous()(type, context, text);
    }
    static std::mutex &Mutex()
    {
        static std::mutex mutex;
        return mutex;
    }
    static QStringList &Lines()
    {
        static QStringList lines;
        return lines;
    }
    static QtMessageHandler &Previous()
    {
        static QtMessageHandler previous = nullptr;
        return previous;
    }
};
