#pragma once

#include "sim/CSimModel.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <thread>
#include <vector>

// Faults the simulated controller can inject into its replies. Every "every N" counts
// answered requests from 1; N = 0 switches the fault off.
struct CSimFaults
{
    bool silent = false;      // receive and record requests, never answer
    int dropEvery = 0;        // no reply to every Nth request
    int badChecksumEvery = 0; // every Nth reply has a wrong checksum byte
    int wrongEchoEvery = 0;   // every Nth reply is a valid frame with another word 1
    bool echoRequest = false; // the 10 request bytes go out again before the reply
    QByteArray strayBytes;    // sent before every reply (after the echo)
    int delayMs = 0;          // wait before replying
    bool wireSpeed = false;   // pace traffic like 19200 baud 8E2: 0.625 ms a character
    // A USB serial adapter's latency timer, in milliseconds (0: none; an FTDI adapter's
    // default is 16). The adapter holds what the line brings until its timer runs out, so
    // each reply goes out whole at the first multiple of this period on the steady clock
    // after its last byte would have left the line (after the other delays and the pacing).
    int adapterLatencyMs = 0;

    // Replies to requests for these tags (word 1) wait a time drawn afresh for each reply
    // from [minMs, maxMs] instead of delayMs. Every reply goes out at its own time while the
    // simulator goes on reading, so a slow reply can arrive after the replies to later
    // requests, or in the middle of a later exchange.
    struct SDelayRange
    {
        int minMs = 0;
        int maxMs = 0;
    };
    std::map<std::uint16_t, SDelayRange> tagDelays;

    // Random faults, drawn for each answered request from a std::mt19937 seeded with `seed`
    // when the faults are set: the same seed and the same requests inject the same faults.
    // Probabilities are in [0, 1]; at most one random fault hits a reply, tried in the order
    // below. They come on top of the "every N" faults.
    struct SRandom
    {
        double drop = 0.0;        // no reply
        double badChecksum = 0.0; // a wrong checksum byte
        double stray = 0.0;       // 1 to 3 random bytes before the reply
        double late = 0.0;        // the reply waits lateMinMs..lateMaxMs
        int lateMinMs = 60;
        int lateMaxMs = 150;
        std::uint32_t seed = 1;
        bool Any() const { return drop > 0 || badChecksum > 0 || stray > 0 || late > 0; }
    };
    SRandom random;
};

// How many faults the simulator has injected since it was made, by kind (the "every N" and
// the random ones together).
struct CSimFaultCounts
{
    long dropped = 0;
    long badChecksums = 0;
    long strayBytes = 0;
    long late = 0;
    long wrongEchoes = 0;
    long Total() const { return dropped + badChecksums + strayBytes + late + wrongEchoes; }
};

// A request the simulator received, with its arrival time on the simulator's clock.
struct CSimRequest
{
    LinkFrame frame{};
    std::chrono::steady_clock::time_point at;
    CLinkRecord Record() const { return CLinkRecord::Decode(frame.data()); }
};

// The far end of the cable: serves a pseudo-terminal and answers 10-byte request frames the
// way a controller does, from a CSimModel, with optional fault injection. It runs its own
// thread; every public call is thread-safe, so a test drives the link on its thread while
// the simulator answers on its own.
class CControllerSim
{
public:
    // Custom replies for tests: given the request, the exact bytes to send (nullopt: none).
    using Responder = std::function<std::optional<QByteArray>(const CLinkRecord& request)>;

    static constexpr double kCharacterTimeMs = 12.0 * 1000.0 / 19200.0; // 0.625 ms

    explicit CControllerSim(CSimModel model = CSimModel::DefaultController());
    ~CControllerSim();
    CControllerSim(const CControllerSim&) = delete;
    CControllerSim& operator=(const CControllerSim&) = delete;

    // Opens the pseudo-terminal and starts answering. False (with ErrorString) on failure.
    bool Start();
    void Stop();
    // The device path a client opens, e.g. "/dev/pts/3"; empty before Start.
    QString SlavePath() const { return m_slavePath; }
    QString ErrorString() const { return m_error; }

    // Sets the faults and seeds the random faults' generator with faults.random.seed.
    void SetFaults(const CSimFaults& faults);
    CSimFaults Faults() const;
    CSimFaultCounts FaultCounts() const;
    void SetResponder(Responder responder);
    // While paused the simulator reads nothing from the line, so the client's writes back up.
    void SetPaused(bool paused);
    // Sends raw bytes to the client now.
    void InjectBytes(const QByteArray& bytes);

    // Runs `fn` on the model under the simulator's lock (to read or change its table).
    void WithModel(const std::function<void(CSimModel&)>& fn);

    // The most recent requests received, at most kRequestHistory of them, oldest first; a
    // long run keeps no more than that.
    static constexpr std::size_t kRequestHistory = 4096;
    std::vector<CSimRequest> Requests() const;
    // Requests received since the start or the last ClearRequests, whether kept or not.
    std::size_t RequestCount() const;
    void ClearRequests();

private:
    void Run();
    void HandleInput(const std::uint8_t* data, std::size_t length,
                     std::chrono::steady_clock::time_point at);
    void HandleRequest(const LinkFrame& frame, std::chrono::steady_clock::time_point at);
    void Send(const QByteArray& bytes, std::chrono::steady_clock::time_point notBefore,
              bool wireSpeed);
    void SendDue();
    void Wake();

    enum class ERandomFault
    {
        None,
        Drop,
        BadChecksum,
        Stray,
        Late
    };
    // Draws the random fault for one reply; called under m_mutex.
    ERandomFault DrawRandomFault(const CSimFaults::SRandom& random);

    // A reply waiting for its time to go out.
    struct SPending
    {
        QByteArray bytes;
        bool wireSpeed = false;
    };

    mutable std::mutex m_mutex; // guards model, faults, responder, requests, counter
    CSimModel m_model;
    CSimFaults m_faults;
    Responder m_responder;
    std::deque<CSimRequest> m_requests;
    std::size_t m_requestCount = 0;
    long m_answered = 0;
    std::mt19937 m_delayRandom{0x51D};
    std::mt19937 m_faultRandom{1};
    CSimFaultCounts m_faultCounts;

    std::mutex m_writeMutex;
    std::vector<std::uint8_t> m_rx; // sim thread only
    // Replies by the time they are due; equal times keep their order. Sim thread only.
    std::multimap<std::chrono::steady_clock::time_point, SPending> m_pending;
    int m_master = -1;
    int m_slaveKeep = -1;
    int m_wakePipe[2] = {-1, -1};
    QString m_slavePath;
    QString m_error;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_paused{false};
    std::thread m_thread;
};
