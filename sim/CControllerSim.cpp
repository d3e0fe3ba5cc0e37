#include "sim/CControllerSim.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

void SleepUntil(Clock::time_point when)
{
    // steady_clock is CLOCK_MONOTONIC; an absolute sleep keeps overshoot from piling up
    // over the characters of a paced reply.
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch());
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ns.count() / 1000000000);
    ts.tv_nsec = static_cast<long>(ns.count() % 1000000000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

Clock::duration Characters(double count)
{
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double, std::milli>(count * CControllerSim::kCharacterTimeMs));
}

// The first multiple of `periodMs` on the steady clock after `after`.
Clock::time_point NextTick(Clock::time_point after, int periodMs)
{
    const Clock::duration period = std::chrono::milliseconds(periodMs);
    return Clock::time_point((after.time_since_epoch() / period + 1) * period);
}

bool Every(long counter, int n)
{
    return n > 0 && counter % n == 0;
}

} // namespace

CControllerSim::CControllerSim(CSimModel model) : m_model(std::move(model)) {}

CControllerSim::~CControllerSim()
{
    Stop();
}

bool CControllerSim::Start()
{
    if (m_thread.joinable())
        return true;

    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        m_error = QStringLiteral("cannot create a pseudo-terminal: %1")
                      .arg(QString::fromLocal8Bit(std::strerror(errno)));
        Stop();
        return false;
    }
    char name[128] = {};
    if (ptsname_r(m_master, name, sizeof name) != 0) {
        m_error = QStringLiteral("cannot name the pseudo-terminal");
        Stop();
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);

    // Raw in both directions: no echo, no line editing, no newline translation. Setting the
    // master's attributes sets the terminal's. The simulator holds its own descriptor of the
    // terminal so that it does not hang up whenever the client closes its end.
    termios tio{};
    if (tcgetattr(m_master, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(m_master, TCSANOW, &tio);
    }
    m_slaveKeep = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_slaveKeep >= 0 && tcgetattr(m_slaveKeep, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(m_slaveKeep, TCSANOW, &tio);
    }

    if (pipe2(m_wakePipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        m_error = QStringLiteral("cannot create the wake-up pipe");
        Stop();
        return false;
    }
    m_stop = false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CControllerSim::Stop()
{
    m_stop = true;
    if (m_thread.joinable()) {
        Wake();
        m_thread.join();
    }
    m_pending.clear();
    for (int* fd : {&m_master, &m_slaveKeep, &m_wakePipe[0], &m_wakePipe[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void CControllerSim::Wake()
{
    if (m_wakePipe[1] >= 0) {
        const char c = 1;
        [[maybe_unused]] const auto n = ::write(m_wakePipe[1], &c, 1);
    }
}

void CControllerSim::SetFaults(const CSimFaults& faults)
{
    std::lock_guard lock(m_mutex);
    m_faults = faults;
    m_faultRandom.seed(faults.random.seed);
}

CSimFaultCounts CControllerSim::FaultCounts() const
{
    std::lock_guard lock(m_mutex);
    return m_faultCounts;
}

CSimFaults CControllerSim::Faults() const
{
    std::lock_guard lock(m_mutex);
    return m_faults;
}

void CControllerSim::SetResponder(Responder responder)
{
    std::lock_guard lock(m_mutex);
    m_responder = std::move(responder);
}

void CControllerSim::SetPaused(bool paused)
{
    m_paused = paused;
    Wake();
}

void CControllerSim::InjectBytes(const QByteArray& bytes)
{
    Send(bytes, Clock::now(), false);
}

void CControllerSim::WithModel(const std::function<void(CSimModel&)>& fn)
{
    std::lock_guard lock(m_mutex);
    fn(m_model);
}

std::vector<CSimRequest> CControllerSim::Requests() const
{
    std::lock_guard lock(m_mutex);
    return {m_requests.begin(), m_requests.end()};
}

std::size_t CControllerSim::RequestCount() const
{
    std::lock_guard lock(m_mutex);
    return m_requestCount;
}

void CControllerSim::ClearRequests()
{
    std::lock_guard lock(m_mutex);
    m_requests.clear();
    m_requestCount = 0;
}

void CControllerSim::Run()
{
    // Sub-millisecond pacing needs the kernel not to batch our wake-ups.
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);

    std::uint8_t buffer[512];
    while (!m_stop) {
        pollfd fds[2] = {{m_wakePipe[0], POLLIN, 0}, {m_master, 0, 0}};
        if (!m_paused)
            fds[1].events = POLLIN;
        // Sleep until input arrives or the next delayed reply is due.
        timespec wait{};
        timespec* timeout = nullptr;
        if (!m_pending.empty()) {
            const auto ns =
                std::max<std::int64_t>(0, std::chrono::duration_cast<std::chrono::nanoseconds>(
                                              m_pending.begin()->first - Clock::now())
                                              .count());
            wait.tv_sec = static_cast<time_t>(ns / 1000000000);
            wait.tv_nsec = static_cast<long>(ns % 1000000000);
            timeout = &wait;
        }
        if (::ppoll(fds, 2, timeout, nullptr) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents & POLLIN) {
            while (::read(m_wakePipe[0], buffer, sizeof buffer) > 0) {
            }
        }
        if (m_stop)
            break;
        if (!m_paused && (fds[1].revents & POLLIN)) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0)
                HandleInput(buffer, static_cast<std::size_t>(n), Clock::now());
        }
        SendDue();
    }
}

void CControllerSim::SendDue()
{
    while (!m_pending.empty() && m_pending.begin()->first <= Clock::now()) {
        const auto due = m_pending.begin()->first;
        const SPending reply = std::move(m_pending.begin()->second);
        m_pending.erase(m_pending.begin());
        Send(reply.bytes, due, reply.wireSpeed);
    }
}

void CControllerSim::HandleInput(const std::uint8_t* data, std::size_t length, Clock::time_point at)
{
    m_rx.insert(m_rx.end(), data, data + length);
    // Resynchronise on the request lead: bytes that cannot start a valid request are
    // skipped, as a controller's receiver would.
    std::size_t start = 0;
    while (m_rx.size() - start >= LinkProtocol::kFrameSize) {
        const std::uint8_t* candidate = m_rx.data() + start;
        if (LinkProtocol::IsValidFrame(candidate, LinkProtocol::kRequestLead)) {
            LinkFrame frame{};
            std::memcpy(frame.data(), candidate, frame.size());
            start += frame.size();
            HandleRequest(frame, at);
        } else {
            ++start;
        }
    }
    m_rx.erase(m_rx.begin(), m_rx.begin() + static_cast<std::ptrdiff_t>(start));
}

void CControllerSim::HandleRequest(const LinkFrame& frame, Clock::time_point at)
{
    QByteArray out;
    CSimFaults faults;
    int delayMs = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_requests.size() >= kRequestHistory)
            m_requests.pop_front();
        m_requests.push_back({frame, at});
        ++m_requestCount;
        faults = m_faults;
        const CLinkRecord request = CLinkRecord::Decode(frame.data());
        delayMs = faults.delayMs;
        if (const auto range = faults.tagDelays.find(request.word1);
            range != faults.tagDelays.end()) {
            const int low = range->second.minMs;
            const int high = std::max(low, range->second.maxMs);
            delayMs = std::uniform_int_distribution<int>(low, high)(m_delayRandom);
        }
        if (faults.silent)
            return;
        const long number = ++m_answered;
        const ERandomFault randomFault = DrawRandomFault(faults.random);
        if (Every(number, faults.dropEvery) || randomFault == ERandomFault::Drop) {
            ++m_faultCounts.dropped;
            return;
        }
        if (randomFault == ERandomFault::Late) {
            ++m_faultCounts.late;
            delayMs += std::uniform_int_distribution<int>(
                faults.random.lateMinMs,
                std::max(faults.random.lateMinMs, faults.random.lateMaxMs))(m_faultRandom);
        }

        if (m_responder) {
            const auto custom = m_responder(request);
            if (!custom)
                return;
            out = *custom;
        } else {
            auto reply = m_model.Answer(request);
            if (!reply)
                return;
            if (Every(number, faults.wrongEchoEvery)) {
                reply->word1 = static_cast<std::uint16_t>(reply->word1 + 1);
                ++m_faultCounts.wrongEchoes;
            }
            LinkFrame bytes = CSimModel::EncodeReply(*reply);
            if (Every(number, faults.badChecksumEvery) ||
                randomFault == ERandomFault::BadChecksum) {
                bytes[9] = static_cast<std::uint8_t>(bytes[9] ^ 0x5A);
                ++m_faultCounts.badChecksums;
            }
            if (faults.echoRequest)
                out.append(reinterpret_cast<const char*>(frame.data()),
                           static_cast<qsizetype>(frame.size()));
            out.append(faults.strayBytes);
            if (!faults.strayBytes.isEmpty())
                ++m_faultCounts.strayBytes;
            if (randomFault == ERandomFault::Stray) {
                const int count = std::uniform_int_distribution<int>(1, 3)(m_faultRandom);
                for (int i = 0; i < count; ++i)
                    out.append(static_cast<char>(
                        std::uniform_int_distribution<int>(0, 255)(m_faultRandom)));
                ++m_faultCounts.strayBytes;
            }
            out.append(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<qsizetype>(bytes.size()));
        }
    }

    Clock::time_point notBefore = at;
    if (faults.wireSpeed) {
        // The request took ten character times to arrive on a real line.
        notBefore += Characters(LinkProtocol::kFrameSize);
    }
    if (delayMs > 0)
        notBefore += std::chrono::milliseconds(delayMs);
    if (out.isEmpty())
        return;
    if (faults.adapterLatencyMs > 0) {
        // The adapter has taken in the paced bytes by then; the client gets them at once.
        const Clock::time_point lastByte =
            faults.wireSpeed ? notBefore + Characters(static_cast<double>(out.size())) : notBefore;
        m_pending.emplace(NextTick(lastByte, faults.adapterLatencyMs), SPending{out, false});
        return;
    }
    m_pending.emplace(notBefore, SPending{out, faults.wireSpeed});
}

CControllerSim::ERandomFault CControllerSim::DrawRandomFault(const CSimFaults::SRandom& random)
{
    if (!random.Any())
        return ERandomFault::None;
    // One draw a reply: the kinds share the unit interval, so each keeps its own probability.
    double x = std::uniform_real_distribution<double>(0.0, 1.0)(m_faultRandom);
    for (const auto& [p, kind] : {std::pair{random.drop, ERandomFault::Drop},
                                  std::pair{random.badChecksum, ERandomFault::BadChecksum},
                                  std::pair{random.stray, ERandomFault::Stray},
                                  std::pair{random.late, ERandomFault::Late}}) {
        if (x < p)
            return kind;
        x -= p;
    }
    return ERandomFault::None;
}

void CControllerSim::Send(const QByteArray& bytes, Clock::time_point notBefore, bool wireSpeed)
{
    std::lock_guard lock(m_writeMutex);
    if (m_master < 0 || bytes.isEmpty())
        return;
    if (!wireSpeed) {
        if (Clock::now() < notBefore)
            SleepUntil(notBefore);
        // Non-blocking: when the client has stopped reading, what does not fit is lost, as
        // it would be on a real line.
        [[maybe_unused]] const auto n =
            ::write(m_master, bytes.constData(), static_cast<size_t>(bytes.size()));
        return;
    }
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        SleepUntil(notBefore + Characters(static_cast<double>(i + 1)));
        [[maybe_unused]] const auto n = ::write(m_master, bytes.constData() + i, 1);
    }
}
