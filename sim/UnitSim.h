#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace carecfg {

// Misbehaviour the simulated unit can show on the line; 0 / false means "never".
struct SimFaults {
    bool pace = false;     // space reply bytes at the real line rate (115200 baud, 10 bits a byte)
    int replyDelayMs = 0;  // wait this long before each reply
    int corruptOneIn = 0;  // flip one payload or checksum byte in one reply out of N
    int dropOneIn = 0;     // send no reply to one request out of N
    int noiseBytes = 0;    // this many random bytes (never 0x23) before each reply frame
    bool splitReplies = false;  // send each reply in parts, cut at random places
    int splitCuts = 1;          // cut points of a split reply (1: two parts)
    int splitPauseMs = 150;     // pause before each later part; 150 is longer than the 100 ms
                                // grouping of the tool's reader, so each part comes on its own
    int stopHalfwayOneIn = 0;   // send only the first half of one reply out of N
    int writeStatus = 1;        // status answered to block writes; only 1 stores the block
    // One block address whose writes are answered with a status of their own (instead of
    // writeStatus), so that a write sequence can be refused part way.
    struct WriteStatusAt {
        std::uint32_t address = 0;
        int status = 1;
    };
    std::optional<WriteStatusAt> writeStatusAt;
    // The adapter pulled out: after answering this many block requests (reads, record reads,
    // writes) the unit closes its side of the line at the next one, unanswered, and removes its
    // link path. Only the first line hangs up so; a unit that came back stays.
    int hangUpAfterBlocks = 0;
    // After a hang-up the unit comes back on a fresh pseudo-terminal this many ms later, its
    // link path pointing there; negative: it stays away until ComeBack().
    int comeBackAfterMs = -1;
};

struct SimOptions {
    SimFaults faults;
    std::uint32_t seed = 1;           // seeds every random choice of the faults
    std::string password = "123456";  // login (administrator) password, 1..6 chars
    std::optional<std::filesystem::path>
        imageFile;                                  // start memory; the demonstration unit if unset
    std::optional<std::filesystem::path> saveFile;  // memory is saved here when the unit stops
};

class FrameParser;
class UnitEngine;
class ReplyShaper;

// A simulated unit answering on a pseudo-terminal from its own thread.
class UnitSim {
public:
    explicit UnitSim(SimOptions options = {});
    ~UnitSim();
    UnitSim(const UnitSim&) = delete;
    UnitSim& operator=(const UnitSim&) = delete;

    // Opens a pty and starts answering; symlinks its terminal side at linkPath if given.
    // False when the pty, the image file or the link cannot be set up (see LastError()).
    bool Start(const std::filesystem::path& linkPath = {});
    // Path a TComm opens: the link path if given, else /dev/pts/N (a new one after ComeBack).
    std::string TerminalPath() const;
    // The /dev/pts/N name of the terminal side (empty before Start).
    std::string PtsName() const;
    // Stops the thread, removes the link it made, saves memory if saveFile is set.
    void Stop();
    bool IsRunning() const;

    // The adapter pulled out now: the unit's thread closes its side of the line (a reply being
    // sent stops where it is) and removes the link path. Any thread; nothing when it is away.
    void PullAdapter();
    // The adapter plugged in again: a fresh pseudo-terminal, the link path pointing at it.
    // Any thread; nothing while the line is up.
    void ComeBack();
    // The unit's side of the line is open (false between a hang-up and its return).
    bool LineUp() const { return m_lineUp; }
    int HangUps() const { return m_hangUps; }  // times the line was closed so far
    int Returns() const { return m_returns; }  // times the unit came back so far

    std::vector<std::uint8_t> MemorySnapshot() const;  // 262144 bytes (thread-safe copy)
    std::vector<std::vector<std::uint8_t>> ReceivedFrames()
        const;  // request frames so far, in order
    // The request frames received since the last call, handed over and forgotten (a long run
    // keeps no growing record).
    std::vector<std::vector<std::uint8_t>> TakeReceivedFrames();
    std::string LastError() const;  // why Start or the save failed

private:
    bool OpenTerminal();
    void CloseTerminal();
    bool MakeLink();
    void RemoveLink();
    void HangUp();
    void Return();
    // Wakes the unit's thread from its waits (stop, pull, come back).
    void Wake();
    void SetError(std::string text);  // LastError is read from other threads
    void Run();
    // Reads what the line holds and answers the requests in it.
    void Serve(FrameParser& parser, long long& lastByteAt);
    void Deliver(std::vector<std::uint8_t> frame);
    // The status a block write at the address is answered with (writeStatus, writeStatusAt).
    int WriteStatusFor(std::uint8_t command, std::uint32_t address) const;
    bool WriteAll(const std::uint8_t* data, std::size_t size);
    bool WritePaced(const std::vector<std::uint8_t>& bytes);
    bool Pause(int ms);  // false when a stop or a pull was requested meanwhile
    bool Interrupted() const { return m_stopping || m_pullRequested; }

    SimOptions m_options;
    mutable std::mutex m_mutex;  // guards m_engine, m_received, m_ptsName and m_lastError
    std::unique_ptr<UnitEngine> m_engine;
    std::vector<std::vector<std::uint8_t>> m_received;
    std::unique_ptr<ReplyShaper> m_shaper;
    int m_master = -1;
    int m_slave = -1;  // kept open so the master never reads EIO while the tool is away
    int m_wakeEvent = -1;
    std::filesystem::path m_link;
    bool m_linkMade = false;
    std::string m_ptsName;
    std::string m_lastError;
    std::thread m_thread;
    int m_blocksAnswered = 0;  // unit thread: block requests answered on the first line
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_pullRequested{false};
    std::atomic<bool> m_returnRequested{false};
    std::atomic<bool> m_lineUp{false};
    std::atomic<int> m_hangUps{0};
    std::atomic<int> m_returns{0};
};

}  // namespace carecfg
