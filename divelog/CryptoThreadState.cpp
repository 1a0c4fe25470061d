#include "CryptoThreadState.h"

#include <openssl/crypto.h>

void CryptoThreadState::Release()
{
    OPENSSL_thread_stop();
}
