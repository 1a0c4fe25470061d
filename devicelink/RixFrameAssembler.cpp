#include "RixFrameAssembler.h"

#include "RixMessage.h"

#include <QtGlobal>

RixFrameAssembler::RixFrameAssembler(int frameCapacity, int scratchCapacity)
    : m_frameCapacity(frameCapacity)
    , m_scratchCapacity(qMax(scratchCapacity, frameCapacity))
    , m_expected(frameCapacity)
{
    m_scratch.reserve(m_scratchCapacity);
}

RixFrameAssembler::State RixFrameAssembler::Append(const QByteArray &chunk)
{
    if (m_state != Incomplete)
        return m_state;
    m_scratch.append(chunk.constData(), qMin(chunk.size(), m_scratchCapacity - m_scratch.size()));
    return Evaluate();
}

RixFrameAssembler::State RixFrameAssembler::Evaluate()
{
    if (!StartsLikeFrame(m_scratch))
        return m_state = HeaderMismatch;
    const int announced = AnnouncedFrameSize(m_scratch);
    m_expected = announced > 0 ? announced : m_frameCapacity;
    if (m_expected > m_frameCapacity)
        return m_state = Oversized;
    return m_state = m_scratch.size() >= m_expected ? Complete : Incomplete;
}

QByteArray RixFrameAssembler::Frame() const
{
    return m_state == Complete ? m_scratch.left(m_expected) : QByteArray();
}

QByteArray RixFrameAssembler::BytesAfterFrame() const
{
    return m_state == Complete ? m_scratch.mid(m_expected) : QByteArray();
}

void RixFrameAssembler::DiscardFrame()
{
    if (m_state != Complete)
        return;
    m_scratch.remove(0, m_expected);
    Evaluate();
}

bool RixFrameAssembler::StartsLikeFrame(const QByteArray &buf)
{
    for (int i = 0; i < 4 && i < buf.size(); ++i) {
        if (buf.at(i) != RixMessage::Marker[i])
            return false;
    }
    return true;
}

int RixFrameAssembler::AnnouncedFrameSize(const QByteArray &buf)
{
    if (buf.size() <= RixMessage::LengthOffset)
        return 0;
    return RixMessage::PayloadSizeFor(quint8(buf.at(RixMessage::CommandOffset)), quint8(buf.at(RixMessage::LengthOffset)))
           + RixMessage::FrameOverhead;
}
