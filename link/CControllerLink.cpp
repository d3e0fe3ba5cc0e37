#include "link/CControllerLink.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>

namespace {

std::uint8_t ByteAt(const std::uint8_t* window, int length, int position)
{
    return position < length ? window[position] : 0xFF;
}

// Ten bytes from `start` form a valid reply frame; places not yet received read as 0xFF.
// Fed one byte at a time, as Transact does, the scan only ever tests a partly received
// candidate when it is the newest byte alone (a lead and nine 0xFF never sum to 0xFF), so a
// frame is found exactly when its tenth byte is in.
bool IsFrameAt(const std::uint8_t* window, int length, int start)
{
    if (ByteAt(window, length, start) != LinkProtocol::kReplyLead)
        return false;
    std::uint8_t sum = 0;
    for (int i = 0; i < static_cast<int>(LinkProtocol::kFrameSize); ++i)
        sum = static_cast<std::uint8_t>(sum + ByteAt(window, length, start + i));
    return sum == 0xFF;
}

int FindLead(const std::uint8_t* window, int from, int last)
{
    for (int i = std::max(from, 0); i <= last; ++i) {
        if (window[i] == LinkProtocol::kReplyLead)
            return i;
    }
    return -1;
}

} // namespace

CControllerLink::CControllerLink()
{
    m_window.fill(0xFF);
    m_transmit.fill(0xFF);
    m_lastReply.fill(0xFF);
}

int CControllerLink::FindReplyFrame(const std::uint8_t* window, int length)
{
    const int last = length - 1;
    if (FindLead(window, m_scanPos, last) < 0 || last - m_scanPos < 9)
        return -1;

    int candidate = m_scanPos;
    for (;;) {
        if (IsFrameAt(window, length, candidate))
            return candidate;
        ++m_scanPos;
        if (last - m_scanPos < 9)
            return -1;
        candidate = FindLead(window, m_scanPos, last);
        if (candidate < 0)
            return -1;
    }
}

bool CControllerLink::AnswersRequest(const CLinkPacket& packet, ENoSuchTag noSuchTag)
{
    if (packet.request.word1 > LinkProtocol::kAnyReplyWord1)
        return true;
    if (packet.reply.extension != packet.request.extension)
        return false;
    if (packet.reply.word1 == packet.request.word1)
        return true;
    // Word 1 zero with the right extension is the controller's "no such tag": a definite
    // answer to a question about a tag's existence, learnt at once instead of after every
    // attempt's time-out. To a request that needs a value it answers nothing.
    return noSuchTag == NoSuchTagAnswers && packet.reply.word1 == 0;
}

bool CControllerLink::NoSuchTagTrusted() const
{
    return !m_sinceUnanswered.isValid() || m_sinceUnanswered.hasExpired(kLateReplyLimitMs);
}

bool CControllerLink::Transact(CLinkPacket& packet, int attempts, ENoSuchTag noSuchTag)
{
    for (int attempt = 0; attempt < attempts; ++attempt) {
        // Decided per attempt: once an attempt has gone unanswered its reply may still come,
        // and a "no such tag" arriving later could be that one's.
        const bool trusted = NoSuchTagTrusted();
        const ENoSuchTag allowed = trusted ? noSuchTag : NoSuchTagFails;
        QElapsedTimer sent;
        sent.start();
        bool passedOver = false;
        if (RunAttempt(packet, allowed, passedOver))
            return true;
        m_sinceUnanswered = sent;
        // The controller most likely said "no such tag", but a late reply to an earlier
        // request could say the same. Once every reply still on its way would have come,
        // the same question asked again gets an answer that can be believed. This attempt
        // does not count against `attempts`, as its answer could not be taken; the next one
        // starts trusted, so this adds at most one attempt for each that went unanswered.
        if (passedOver && !trusted && noSuchTag == NoSuchTagAnswers) {
            const qint64 wait = kLateReplyLimitMs + 1 - m_sinceUnanswered.elapsed();
            if (wait > 0)
                QThread::msleep(static_cast<unsigned long>(wait));
            --attempt;
        }
    }
    return false;
}

bool CControllerLink::RunAttempt(CLinkPacket& packet, ENoSuchTag noSuchTag, bool& passedOver)
{
    m_transmit = packet.request.Encode();
    PurgeRxTx();
    m_window.fill(0xFF);
    m_lastReply.fill(0xFF);
    FindReplyFrame();

    const auto* bytes = reinterpret_cast<const char*>(m_transmit.data());
    if (WriteBytes(bytes, static_cast<qint64>(m_transmit.size())) <
        static_cast<qint64>(m_transmit.size()))
        return false;

    // A monotonic clock: the deadline cannot be disturbed by a tick counter wrapping or the
    // wall clock being set.
    QElapsedTimer clock;
    clock.start();
    const qint64 deadline = static_cast<qint64>(m_replyTimeoutMs);

    // The deadline bounds the waiting for bytes, not the taking of bytes that have come: a
    // process scheduled late on a busy machine finds the reply waiting and still takes it,
    // rather than purging it with the next attempt. No wait runs past the deadline, so a
    // reply that comes later is still not taken.
    int received = 0;
    for (;;) {
        const qint64 left = deadline - clock.elapsed();
        const int byte = ReadByteWithin(
            left > 0 ? static_cast<int>(std::min<qint64>(left, ByteReadTimeoutMs())) : 0);
        if (byte < 0) {
            if (left <= 0)
                break;
            continue;
        }
        m_window[static_cast<std::size_t>(received++)] = static_cast<std::uint8_t>(byte);

        const int position = FindReplyFrame(m_window.data(), received);
        if (position >= 0) {
            // The frame is kept apart from the window so that the scan, which stays on it,
            // keeps seeing exactly the bytes that came off the line.
            for (std::size_t i = 0; i < m_lastReply.size(); ++i)
                m_lastReply[i] = ByteAt(m_window.data(), received, position + static_cast<int>(i));
            packet.reply = CLinkRecord::Decode(m_lastReply.data());
            if (AnswersRequest(packet, noSuchTag))
                return true;
            // A "no such tag" that does not answer names no tag: most likely the late reply
            // to an earlier request. The scan moves past it, so that the reply to this
            // request can still be found behind it. Any other frame that does not answer
            // holds the scan, and the attempt runs to its deadline.
            if (packet.ReplyWord1IsZero()) {
                m_scanPos = position + static_cast<int>(LinkProtocol::kFrameSize);
                passedOver = passedOver || packet.reply.extension == packet.request.extension;
            }
        }

        // A full window without an accepted reply ends the attempt: a reply that starts
        // beyond it could not be decoded anyway, so rather than wait out the deadline the
        // next attempt purges the line and asks again at once. This also stops a flood of
        // noise from holding the attempt.
        if (received >= kReceiveWindowSize)
            return false;
    }
    return false;
}
