#pragma once

#include <QByteArray>
#include <QIODevice>

// A write-only device that appends everything written to a byte array.
// QBuffer does the same with position bookkeeping on every write, which
// shows when an XML writer sends it a million small pieces; this one copies
// into spare room it keeps at the end of the array.
class ByteAppendDevice : public QIODevice
{
public:
    // `bytes` must outlive the device; writing starts at its end as it is
    // when the device is opened.
    explicit ByteAppendDevice(QByteArray *bytes) : m_bytes(bytes) {}
    ~ByteAppendDevice() override { close(); }

    bool isSequential() const override { return true; }
    bool open(OpenMode mode) override;
    // Trims the spare room: the array then holds exactly what was written.
    void close() override;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override;

private:
    bool Grow(qint64 length);

    QByteArray *m_bytes;
    // The array's data while open; it is sized to its capacity and trimmed to
    // m_used on close.
    char *m_data = nullptr;
    int m_capacity = 0;
    int m_used = 0;
};
