#pragma once

#include <QByteArray>

// Puts one reply frame together from the chunks a serial port delivers.
//
// The frame's size is known once its length byte (offset 9) is in: length
// bytes of payload, or length x 64 for the block-read codes, plus the 11
// bytes of header and checksum. A start that differs from 0xAC "Rix" is
// refused as soon as the differing byte arrives, and so is a frame that
// announces more than the incoming buffer holds. Bytes beyond the frame that
// arrive in the same chunk are not part of it.
//
// Holds no port and no clock, so every byte sequence can be fed to it
// directly (tests and the reply fuzz target do).
class RixFrameAssembler
{
public:
    enum State {
        Incomplete,     // more bytes are needed
        Complete,       // Frame() holds the whole frame
        HeaderMismatch, // one of the first four bytes is not 0xAC "Rix"
        Oversized,      // the frame would not fit the incoming buffer
    };

    // frameCapacity: the largest frame accepted; scratchCapacity: the most
    // bytes kept from the port (at least frameCapacity).
    RixFrameAssembler(int frameCapacity, int scratchCapacity);

    // Adds received bytes (beyond the scratch capacity they are dropped) and
    // returns the new state. Once the state is no longer Incomplete further
    // bytes do not change it.
    State Append(const QByteArray &chunk);
    State CurrentState() const { return m_state; }
    // Frame size as far as the bytes received so far tell (the frame
    // capacity until the length byte is in).
    int ExpectedSize() const { return m_expected; }
    int ReceivedSize() const { return m_scratch.size(); }
    // The complete frame; empty unless the state is Complete.
    QByteArray Frame() const;
    // Bytes received after the complete frame (empty unless Complete).
    QByteArray BytesAfterFrame() const;
    // Drops the complete frame and goes on with the bytes after it.
    void DiscardFrame();

    // The first bytes of buf could be the start of a frame.
    static bool StartsLikeFrame(const QByteArray &buf);
    // Size of the frame at the start of buf once its length byte is in; 0 before.
    static int AnnouncedFrameSize(const QByteArray &buf);

private:
    State Evaluate();

    int m_frameCapacity;
    int m_scratchCapacity;
    int m_expected;
    QByteArray m_scratch;
    State m_state = Incomplete;
};
