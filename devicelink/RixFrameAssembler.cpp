#include "RixFrameAssembler.h"

#include "RixMessage.h"

#include <QtGlobal>

namespace {
const char kHeader[4] = {char(RixMessage::StartByte), 'R', 'i', 'x'};
constexpr int LengthOffset = 9;
constexpr int CommandOffset = 5;
} // namespace

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
    const int before = m_scratch.size();
    m_scratch.append(chunk.constData(), qMin(chunk.size(), m_scratchCapacity - before));
    const int size = m_scratch.size();

    for (int i = before; i < 4 && i < size; ++i) {
        if (m_scratch.at(i) != kHeader[i])
            return m_state = HeaderMismatch;
    }
    if (size > LengthOffset) {
        m_expected = RixMessage::PayloadSizeFor(quint8(m_scratch.at(CommandOffset)),
                                                quint8(m_scratch.at(LengthOffset)))
                     + RixMessage::FrameOverhead;
        if (m_expected > m_frameCapacity)
            return m_state = Oversized;
    }
    if (size >= m_expected)
        m_state = Complete;
    return m_state;
}

QByteArray RixFrameAssembler::Frame() const
{
    return m_state == Complete ? m_scratch.left(m_expected) : QByteArray();
}
