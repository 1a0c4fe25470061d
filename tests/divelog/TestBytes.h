#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <initializer_list>

// Small byte fixtures shared by the container tests.
namespace TestBytes {

inline QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// A repeatable, non-trivial byte run; different salts give different runs.
inline QByteArray Pattern(int size, int salt)
{
    QByteArray out(size, 0);
    for (int i = 0; i < size; ++i)
        out[i] = char((i * 37 + salt) & 0xFF);
    return out;
}

inline bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace TestBytes
