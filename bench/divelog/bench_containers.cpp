// Secured container write + load of 32 MiB of dive data, beside the bare
// cryptography over the same bytes (AES-256-CBC both ways and SHA-256), and
// the peak memory of the container part. Prints figures; passes nothing.
#include "LargeBuffer.h"
#include "LogFileWriter.h"
#include "StandardRecordFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int DiveDataSize = 32 * 1024 * 1024;
constexpr int Rounds = 3;

long PeakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QByteArray MakeDiveData()
{
    // Wide records of varied bytes with an erased record now and then.
    QByteArray data(DiveDataSize, 0);
    quint32 x = 0x12345678;
    for (int i = 0; i < DiveDataSize; ++i) {
        x = x * 1664525u + 1013904223u;
        data[i] = char(x >> 24);
    }
    for (int at = 0; at + 32 <= DiveDataSize; at += 32 * 97)
        std::fill(data.begin() + at, data.begin() + at + 32, char(0xFF));
    return data;
}

bool AesCbc(const QByteArray &in, QByteArray &out, const unsigned char *key, const unsigned char *iv, bool encrypt,
            bool hugePages)
{
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    out = QByteArray();
    if (hugePages)
        LargeBuffer::Reserve(out, in.size() + 16);
    out.resize(in.size() + 16);
    int n1 = 0, n2 = 0;
    bool ok = EVP_CipherInit_ex(ctx, EVP_aes_256_cbc(), nullptr, key, iv, encrypt ? 1 : 0) == 1
        && EVP_CipherUpdate(ctx, reinterpret_cast<unsigned char *>(out.data()), &n1,
                            reinterpret_cast<const unsigned char *>(in.constData()), in.size()) == 1
        && EVP_CipherFinal_ex(ctx, reinterpret_cast<unsigned char *>(out.data()) + n1, &n2) == 1;
    EVP_CIPHER_CTX_free(ctx);
    out.resize(n1 + n2);
    return ok;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral("1.2.6.0"));
    QTextStream out(stdout);

    LogFileContent content;
    content.created = QDateTime::currentDateTime();
    content.deviceVersion = QByteArray::fromHex("00070103"); // wide blocks
    content.hasDiveData = true;
    content.diveData = MakeDiveData();
    const long baselineKiB = PeakRssKiB();

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.ccl"));
    std::vector<double> containerMs, containerCpuMs;
    for (int round = 0; round < Rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        const std::clock_t cpuStart = std::clock();
        QString error;
        if (!LogFileWriter::WriteSecured(path, content, &error)) {
            out << "secure write failed: " << error << "\n";
            return 1;
        }
        StandardRecordFile file;
        SRFileHeader header;
        if (!file.Load(path, header, StandardRecordFile::LoadMode::SecuredLog)) {
            out << "load failed: " << file.LastError() << "\n";
            return 1;
        }
        const StandardRecord *data = file.FindRecord(RecordType::DiveLogData);
        if (!data || data->PayloadLength() != quint32(DiveDataSize + 4)
            || QByteArray::fromRawData(data->PayloadData() + 4, DiveDataSize) != content.diveData) {
            out << "loaded dive data differs from what was written\n";
            return 1;
        }
        containerMs.push_back(timer.nsecsElapsed() / 1e6);
        containerCpuMs.push_back((std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
    }
    const long containerPeakKiB = PeakRssKiB();

    unsigned char key[32];
    unsigned char iv[16];
    RAND_bytes(key, sizeof key);
    RAND_bytes(iv, sizeof iv);
    // The bare cryptography twice: into plain new buffers, and into buffers
    // backed by huge pages as the container path's are, so that the page
    // faults of fresh memory can be told apart from the work itself.
    std::vector<double> cryptoMs[2], cryptoCpuMs[2];
    for (int round = 0; round < Rounds; ++round) {
        for (int huge = 0; huge < 2; ++huge) {
            QElapsedTimer timer;
            timer.start();
            const std::clock_t cpuStart = std::clock();
            QByteArray cipher;
            QByteArray plain;
            if (!AesCbc(content.diveData, cipher, key, iv, true, huge)
                || !AesCbc(cipher, plain, key, iv, false, huge) || plain != content.diveData) {
                out << "reference cryptography failed\n";
                return 1;
            }
            unsigned char digest[EVP_MAX_MD_SIZE];
            unsigned int digestLength = 0;
            if (EVP_Digest(content.diveData.constData(), size_t(content.diveData.size()), digest, &digestLength,
                           EVP_sha256(), nullptr) != 1) {
                out << "reference digest failed\n";
                return 1;
            }
            cryptoMs[huge].push_back(timer.nsecsElapsed() / 1e6);
            cryptoCpuMs[huge].push_back((std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
        }
    }

    const double container = Median(containerMs);
    const double crypto = Median(cryptoMs[0]);
    out << QStringLiteral("dive data: %1 MiB, median of %2 rounds\n").arg(DiveDataSize / (1024 * 1024)).arg(Rounds);
    out << QStringLiteral("(a) secured write + load:                 %1 ms\n").arg(container, 0, 'f', 1);
    out << QStringLiteral("(a) AES-256-CBC enc + dec + SHA-256 only: %1 ms\n").arg(crypto, 0, 'f', 1);
    out << QStringLiteral("(a) ratio container / cryptography:       %1 (target at most 1.5)\n")
               .arg(container / crypto, 0, 'f', 2);
    // CPU time (user and system, page faults included) leaves out the waits
    // of a shared machine and of the disk; the file write's flush to disk is
    // wall time only.
    const double containerCpu = Median(containerCpuMs);
    const double cryptoCpu = Median(cryptoCpuMs[0]);
    out << QStringLiteral("(a) CPU time, container / cryptography:   %1 ms / %2 ms = %3\n")
               .arg(containerCpu, 0, 'f', 1)
               .arg(cryptoCpu, 0, 'f', 1)
               .arg(cryptoCpu > 0 ? containerCpu / cryptoCpu : 0.0, 0, 'f', 2);
    // The container path writes a file, flushes it to disk and reads it back,
    // which the bare cryptography does not; beside cryptography that is
    // spared the page faults too, that work shows in full.
    const double hugeCrypto = Median(cryptoMs[1]);
    const double hugeCryptoCpu = Median(cryptoCpuMs[1]);
    out << QStringLiteral("    the same cryptography in huge-page buffers: %1 ms (CPU %2 ms); ratios %3 wall, %4 CPU\n")
               .arg(hugeCrypto, 0, 'f', 1)
               .arg(hugeCryptoCpu, 0, 'f', 1)
               .arg(container / hugeCrypto, 0, 'f', 2)
               .arg(hugeCryptoCpu > 0 ? containerCpu / hugeCryptoCpu : 0.0, 0, 'f', 2);
    out << QStringLiteral("(c) peak resident memory of write + load: %1 MiB (%2 MiB before, %3 MiB of dive data)\n")
               .arg(containerPeakKiB / 1024.0, 0, 'f', 1)
               .arg(baselineKiB / 1024.0, 0, 'f', 1)
               .arg(DiveDataSize / (1024.0 * 1024.0), 0, 'f', 1);
    out << QStringLiteral("(c) growth over the baseline:             %1 MiB (%2 x the dive data)\n")
               .arg((containerPeakKiB - baselineKiB) / 1024.0, 0, 'f', 1)
               .arg((containerPeakKiB - baselineKiB) / 1024.0 / 32.0, 0, 'f', 2);
    return 0;
}
