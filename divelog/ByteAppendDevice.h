#pragma once

#include <QByteArray>
#include <QIODevice>

// A write-only device that appends everything written to a byte array.
// QBuffer does the same with position bookkeeping on every write, which
// shows when an XML writer sends it a million small pieces.
class ByteAppendDevice : public QIODevice
{
public:
    // `bytes` must outlive the device.
    explicit ByteAppendDevice(QByteArray *bytes) : m_bytes(bytes) {}

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override;

private:
    QByteArray *m_bytes;
};
