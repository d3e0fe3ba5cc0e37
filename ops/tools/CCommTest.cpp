#include "ops/tools/CCommTest.h"

#include "link/CControllerLink.h"

SCommTestRanges SCommTestRanges::FromEntries(qint64 extensionFrom, qint64 extensionTo,
                                             qint64 tagFrom, qint64 tagTo, qint64 valueFrom,
                                             qint64 valueTo)
{
    // Conversion to an unsigned type keeps the low bits, negative numbers included.
    SCommTestRanges ranges;
    ranges.extensionFrom = static_cast<std::uint8_t>(extensionFrom);
    ranges.extensionTo = static_cast<std::uint8_t>(extensionTo);
    ranges.tagFrom = static_cast<std::uint16_t>(tagFrom);
    ranges.tagTo = static_cast<std::uint16_t>(tagTo);
    ranges.valueFrom = static_cast<std::uint16_t>(valueFrom);
    ranges.valueTo = static_cast<std::uint16_t>(valueTo);
    return ranges;
}

qint64 SCommTestRanges::TotalPackets() const
{
    // Each count is checked on its own: two empty ranges must not multiply to a positive
    // total.
    const qint64 counts[] = {qint64(extensionTo) - extensionFrom + 1, qint64(tagTo) - tagFrom + 1,
                             qint64(valueTo) - valueFrom + 1};
    qint64 total = 1;
    for (qint64 count : counts) {
        if (count <= 0)
            return 0;
        total *= count; // at most 256 * 65536 * 65536
    }
    return total;
}

int CCommTest::ProgressPercent(qint64 done, qint64 total)
{
    return total > 0 ? static_cast<int>(done * 100 / total) : 0;
}

CCommTest::SResult CCommTest::Run(const SCommTestRanges& ranges, ICommTestObserver& observer)
{
    m_good = m_bad = 0;
    m_extension = m_tag = m_value = 0;
    m_total = ranges.TotalPackets();
    m_done = 0;
    m_averageMs = m_secondsLeft = 0;
    observer.ShowState(*this);

    // The loop counters are wider than the fields, so a "to" of 255 or 65535 ends its loop.
    m_clock.start();
    SResult result;
    for (int extension = ranges.extensionFrom; extension <= ranges.extensionTo; ++extension) {
        for (int tag = ranges.tagFrom; tag <= ranges.tagTo; ++tag) {
            for (int value = ranges.valueFrom; value <= ranges.valueTo; ++value) {
                Send(extension, tag, value, observer);
                if (!observer.Pump()) {
                    result.sent = m_done;
                    result.elapsedMs = m_clock.elapsed();
                    return result;
                }
            }
        }
    }
    result.completed = true;
    result.sent = m_done;
    result.elapsedMs = m_clock.elapsed();
    return result;
}

void CCommTest::Send(int extension, int tag, int value, ICommTestObserver& observer)
{
    m_extension = extension;
    m_tag = tag;
    m_value = value;

    CLinkPacket packet;
    packet.SetRequest(static_cast<std::uint16_t>(tag), static_cast<std::uint8_t>(extension),
                      static_cast<std::uint16_t>(value), 0);
    // Strict: a reply counts only when it echoes the extension and the tag asked for; the
    // controller's "no such tag" is a bad packet here.
    if (m_link.Transact(packet, kAttempts)) {
        ++m_good;
    } else {
        ++m_bad;
        observer.AddBadPacket(FrameLine(QStringLiteral("Tx: "), packet.request.Encode()),
                              ReplyLine(m_link.LastReplyBytes()));
    }

    ++m_done;
    // A running average: each packet's mean so far, averaged with the previous figure. It
    // steadies the time-left line; the final timing uses the plain mean instead.
    m_averageMs = (m_clock.elapsed() / m_done + m_averageMs) / 2;
    m_secondsLeft = (m_total - m_done) * m_averageMs / 1000;
    observer.ShowState(*this);
}

QString CCommTest::RequestLine() const
{
    return QString::asprintf("Tx: 0x63 0x01 0x%02X 0x%04X 0x%04X",
                             static_cast<unsigned>(m_extension), static_cast<unsigned>(m_tag),
                             static_cast<unsigned>(m_value));
}

QString CCommTest::TimeLeftLine() const
{
    return QString::asprintf(
        "Time left: %lld h %02d m %02d s", static_cast<long long>(m_secondsLeft / 3600),
        static_cast<int>(m_secondsLeft % 3600 / 60), static_cast<int>(m_secondsLeft % 60));
}

QString CCommTest::TimingText(qint64 msPerPacket)
{
    return QString::asprintf("Timing: %lld mS per packet", static_cast<long long>(msPerPacket));
}

QString CCommTest::FrameLine(const QString& prefix, const LinkFrame& frame)
{
    const auto word = [&frame](std::size_t at) {
        return static_cast<unsigned>(frame[at] << 8 | frame[at + 1]);
    };
    return prefix + QString::asprintf("0x%02X 0x%02X 0x%02X 0x%04X 0x%04X 0x%04X  0x%02X", frame[0],
                                      frame[1], frame[2], word(3), word(5), word(7), frame[9]);
}

QString CCommTest::ReplyLine(const LinkFrame& lastReplyBytes)
{
    const QString prefix = QStringLiteral("Rx: ");
    if (!LinkProtocol::IsValidFrame(lastReplyBytes.data(), LinkProtocol::kReplyLead))
        return prefix + QStringLiteral("Invalid reply");
    return FrameLine(prefix, lastReplyBytes);
}
