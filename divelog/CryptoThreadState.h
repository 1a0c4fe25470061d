#pragma once

// What the cryptography library keeps per thread: writing a secured file
// draws its IV from a random generator the library creates for the calling
// thread. The library frees it when the thread ends, but not reliably for a
// thread that ends just before the process does, so a worker thread releases
// it itself as it finishes.
class CryptoThreadState
{
public:
    // Frees the calling thread's state; the library makes it again if the
    // thread needs it later.
    static void Release();
};
