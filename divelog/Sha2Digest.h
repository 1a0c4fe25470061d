#pragma once

#include <QByteArray>
#include <QtGlobal>

struct evp_md_ctx_st;
struct evp_md_st;

// SHA-2 digests (256, 384 or 512 bits) through OpenSSL's EVP interface, the
// one cryptography library of the file layer: container seals, UDDF
// verification codes and checksum jobs all hash here.
class Sha2Digest
{
public:
    // 384 and 512 select those sizes; any other value means 256.
    explicit Sha2Digest(int bits = 256);
    ~Sha2Digest();
    Sha2Digest(const Sha2Digest &) = delete;
    Sha2Digest &operator=(const Sha2Digest &) = delete;

    // Adds bytes to the digest under way.
    void Add(const char *data, qint64 length);
    void Add(const QByteArray &data) { Add(data.constData(), data.size()); }
    // The digest of everything added since the last result, which starts the
    // next one. Empty when OpenSSL failed at any step.
    QByteArray Result();

    // The digest of `data` in one call; empty on failure.
    static QByteArray Of(const QByteArray &data, int bits = 256);
    static constexpr int Sha256Size = 32;

private:
    void Start();

    const evp_md_st *m_md;
    evp_md_ctx_st *m_context;
    bool m_ok = false;
};
