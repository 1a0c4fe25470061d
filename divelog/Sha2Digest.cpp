#include "Sha2Digest.h"

#include <openssl/evp.h>

Sha2Digest::Sha2Digest(int bits)
    : m_md(bits == 384 ? EVP_sha384() : bits == 512 ? EVP_sha512() : EVP_sha256()), m_context(EVP_MD_CTX_new())
{
    Start();
}

Sha2Digest::~Sha2Digest() { EVP_MD_CTX_free(m_context); }

void Sha2Digest::Start() { m_ok = m_context && m_md && EVP_DigestInit_ex(m_context, m_md, nullptr) == 1; }

void Sha2Digest::Add(const char *data, qint64 length)
{
    if (m_ok && length > 0)
        m_ok = EVP_DigestUpdate(m_context, data, size_t(length)) == 1;
}

QByteArray Sha2Digest::Result()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    const bool ok = m_ok && EVP_DigestFinal_ex(m_context, digest, &length) == 1;
    Start();
    return ok ? QByteArray(reinterpret_cast<const char *>(digest), int(length)) : QByteArray();
}

QByteArray Sha2Digest::Of(const QByteArray &data, int bits)
{
    Sha2Digest digest(bits);
    digest.Add(data);
    return digest.Result();
}
