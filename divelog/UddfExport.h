#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

class QuorLog;
class UddfDocumentWriter;

// Writes the identified dive of a loaded log as a UDDF 3.3.0 document next
// to the log file. The question whether to replace an existing file reaches
// the user through a callback, so this class needs no windows.
class UddfExport
{
public:
    enum Result {
        Written = 1,
        NotWritten = 2,   // no valid dive, or the target cannot be written
        Declined = 3,     // the user chose not to overwrite
    };

    // Gets the question text ("UDDF File %1 exists..."); returns true to
    // overwrite. Without a callback an existing file is never replaced.
    using OverwriteQuestion = std::function<bool(const QString &question)>;

    explicit UddfExport(OverwriteQuestion askOverwrite = OverwriteQuestion());

    int Export(const QuorLog &log);
    int ExportTo(const QuorLog &log, const QString &targetPath);
    // The dive as a UDDF document, empty when the log holds no valid dive.
    QByteArray Document(const QuorLog &log) const;

    // The generator's date-time written into the document; by default the
    // time of writing. A fixed value makes the output reproducible.
    void SetGeneratedAt(const QDateTime &at) { m_generatedAt = at; }

    // Each cell reading as UDDF 3.3.0 <ppo2 ref="o2sensor_N"> instead of
    // <measuredpo2 ref="o2sensor_N">, the UDDF 3.2 name this export has always
    // written and still writes by default. Nothing else changes, the
    // verification code included (it does not cover element names).
    void SetCellsAsPpo2(bool on) { m_cellsAsPpo2 = on; }

    QString ErrorText() const { return m_errorText; }
    QString TargetPath() const { return m_targetPath; }

    // Same directory and complete base name as the log, suffix ".uddf".
    static QString TargetPathFor(const QString &logPath);
    // Drops every character XML 1.0 cannot carry.
    static QString XmlSafe(const QString &text);
    // SHA-256 of text + salt, then 233 rounds of SHA-256(salt + digest), as
    // upper-case hex.
    static QString VerificationCode(const QString &verificationText);

private:
    // False when the log holds no valid dive.
    bool WriteDocument(const QuorLog &log, QByteArray *document) const;

    OverwriteQuestion m_askOverwrite;
    QString m_errorText;
    QString m_targetPath;
    QDateTime m_generatedAt;
    bool m_cellsAsPpo2 = false;
};
