#include "Sha2Digest.h"

#include <openssl/evp.h>

namespace {

// The implementation of each digest, looked up once. With OpenSSL 3 the
// built-in EVP_sha256() and its sisters are looked up again on every
// EVP_DigestInit_ex, which costs more than hashing a short text (the UDDF
// verification code hashes 234 of them per document).
const EVP_MD *Implementation(int bits)
{
#if OPENSSL_VERSION_NUMBER >= 0x30000000L
    static EVP_MD *const sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    static EVP_MD *const sha384 = EVP_MD_fetch(nullptr, "SHA384", nullptr);
    static EVP_MD *const sha512 = EVP_MD_fetch(nullptr, "SHA512", nullptr);
    const EVP_MD *fetched = bits == 384 ? sha384 : bits == 512 ? sha512 : sha256;
    if (fetched)
        return fetched;
#endif
    return bits == 384 ? EVP_sha384() : bits == 512 ? EVP_sha512() : EVP_sha256();
}

} // namespace

Sha2Digest::Sha2Digest(int bits)
    : m_md(Implementation(bits)), m_context(EVP_MD_CTX_new())
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
