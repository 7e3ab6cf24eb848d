#include "tests/soak/SoakRun.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <random>

#include "cli/MonotonicTimer.h"
#include "image/BlockTransfer.h"
#include "image/DeviceImage.h"
#include "link/CommLinkPort.h"
#include "link/LinkSession.h"
#include "serial/EventQueue.h"
#include "serial/SerialComm.h"

namespace carecfg {
namespace {

using Clock = std::chrono::steady_clock;

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%05X", static_cast<unsigned>(value));
    return text;
}

// The link's port with a record of what went out: how many transmissions since the last good
// block reply, whether they were all the same frame, and whether anything went out after a
// give-up with no reply since.
class WatchedPort : public LinkPort {
public:
    explicit WatchedPort(TComm& comm) : m_inner(comm) {}

    bool IsOpen() const override { return m_inner.IsOpen(); }
    void Write(std::span<const std::uint8_t> bytes) override {
        if (m_gaveUp) {
            m_problems.push_back("a request went out after the give-up notice");
            m_gaveUp = false;
        }
        const std::vector<std::uint8_t> frame(bytes.begin(), bytes.end());
        if (m_sinceReply > 0) {
            ++m_resends;
            m_allSame = m_allSame && frame == m_last;
        }
        m_last = frame;
        ++m_sinceReply;
        m_inner.Write(bytes);
    }

    // A new sequence starts: its first request is a new one, whatever came before.
    void SequenceStarts() { ReplyArrived(); }
    // A good block reply arrived (before its handler asks for the next block).
    void ReplyArrived() {
        m_sinceReply = 0;
        m_allSame = true;
        m_gaveUp = false;
    }
    // The link gave the request up: exactly three transmissions of it since the last reply.
    void GaveUp(const std::vector<std::uint8_t>& pending) {
        if (m_sinceReply != LinkSender::MaxSends || !m_allSame || m_last != pending) {
            m_problems.push_back("gave up after " + std::to_string(m_sinceReply) +
                                 " transmissions" + (m_allSame ? "" : " of different frames"));
        }
        m_gaveUp = true;
    }

    int Resends() const { return m_resends; }
    std::vector<std::string> TakeProblems() {
        std::vector<std::string> taken;
        taken.swap(m_problems);
        return taken;
    }

private:
    CommLinkPort m_inner;
    std::vector<std::uint8_t> m_last;
    int m_sinceReply = 0;
    bool m_allSame = true;
    bool m_gaveUp = false;
    int m_resends = 0;
    std::vector<std::string> m_problems;
};

// Hands the block replies to the transfer, telling the port first that a reply came.
class ReplyTap : public BlockReplyHandler {
public:
    ReplyTap(BlockTransfer& transfer, WatchedPort& port) : m_transfer(transfer), m_port(port) {}
    void WriteBlockReply(const ReceiveRecord& r) override {
        m_port.ReplyArrived();
        m_transfer.WriteBlockReply(r);
    }
    void ReadBlockReply(const ReceiveRecord& r) override {
        m_port.ReplyArrived();
        m_transfer.ReadBlockReply(r);
    }
    void RecordBlockReply(const ReceiveRecord& r) override {
        m_port.ReplyArrived();
        m_transfer.RecordBlockReply(r);
    }

private:
    BlockTransfer& m_transfer;
    WatchedPort& m_port;
};

// How a sequence ended, as the link told it.
class EndListener : public LinkListener {
public:
    enum class End { Running, Completed, GaveUp, Stray, Refused, DecodeFailed };

    std::function<void()> onGaveUp;
    End end = End::Running;

    void TransferEnded(TransferEnd e) override {
        if (end != End::Running) {
            return;
        }
        end = e == TransferEnd::Completed ? End::Completed
              : e == TransferEnd::Refused ? End::Refused
                                          : End::Stray;
    }
    void RequestGaveUp() override {
        if (onGaveUp) {
            onGaveUp();
        }
        if (end == End::Running) {
            end = End::GaveUp;
        }
    }
    void RegionDecoded(RegionId, bool decoded) override {
        if (!decoded && end == End::Running) {
            end = End::DecodeFailed;
        }
    }
};

// The command-line tool's stack against the unit, wired once for the whole soak.
class SoakRig {
public:
    explicit SoakRig(const SoakPlan& plan)
        : m_plan(plan), m_unit(Options(plan)), m_comm(m_queue), m_port(m_comm) {
        m_timer.SetInterval(plan.resendMs);
        m_timer.onExpiry = [this] { m_link.Timer1Timer(); };
        m_comm.OnReceiveData = [this](TComm&, const std::uint8_t* b, std::uint16_t n) {
            m_link.FeedChunk(b, n);
        };
        m_comm.OnRequestHangup = [this](TComm&) { m_hungUp = true; };
        m_link.SetBlockReplyHandler(&m_tap);
        m_link.AddListener(m_ends);
        m_ends.onGaveUp = [this] { m_port.GaveUp(m_link.Sender().PendingRequest()); };
        m_transfer.SetSettingsEncoder({});  // the image's settings region is written as it is
    }
    ~SoakRig() {
        m_comm.ClosePort();
        m_link.SetBlockReplyHandler(nullptr);
    }

    bool Open(std::string& error) {
        if (!m_unit.Start()) {
            error = m_unit.LastError();
            return false;
        }
        m_comm.ApplyCommRSettings();
        m_comm.SetReadIntervalTimeout(static_cast<std::uint32_t>(m_plan.readIntervalMs));
        m_comm.SetCommName(m_unit.TerminalPath());
        try {
            m_comm.OpenPort();
        } catch (const std::exception& e) {
            error = e.what();
            return false;
        }
        return true;
    }

    // Runs one sequence to its end or its watchdog; the end it had (Running: the watchdog).
    EndListener::End Run(SoakKind kind, RegionId region, std::chrono::milliseconds watchdog) {
        m_ends.end = EndListener::End::Running;
        m_port.SequenceStarts();
        switch (kind) {
            case SoakKind::SettingsRead:
                m_transfer.ReadRegion(RegionId::Settings);
                break;
            case SoakKind::RegionRead:
                m_transfer.ReadRegion(region);
                break;
            case SoakKind::RecordChain:
                m_transfer.ReadAllRecords();
                break;
            case SoakKind::SettingsWrite:
                m_transfer.WriteSettings();
                break;
        }
        const auto limit = Clock::now() + watchdog;
        while (m_ends.end == EndListener::End::Running && !m_hungUp) {
            const auto now = Clock::now();
            if (now >= limit) {
                break;
            }
            auto until = limit;
            if (const auto due = m_timer.Deadline(); due && *due < until) {
                until = *due;
            }
            m_queue.RunFor(std::chrono::ceil<std::chrono::milliseconds>(until - now));
            m_timer.FireIfDue(Clock::now());
        }
        return m_ends.end;
    }

    // Lets the line fall quiet before the next sequence: a reply that comes late (after its
    // request was sent again or given up) would otherwise be taken for an answer to the next
    // sequence's first request. Runs until nothing arrived for `quiet` and no request waits.
    void Settle(std::chrono::milliseconds quiet) {
        const auto limit = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < limit && !m_hungUp) {
            const auto now = Clock::now();
            auto until = now + quiet;
            if (const auto due = m_timer.Deadline(); due && *due < until) {
                until = *due;
            }
            const bool arrived =
                m_queue.RunFor(std::chrono::ceil<std::chrono::milliseconds>(until - now));
            m_timer.FireIfDue(Clock::now());
            if (!arrived && !m_timer.IsRunning()) {
                return;
            }
        }
    }

    UnitSim& Unit() { return m_unit; }
    DeviceImage& Image() { return m_image; }
    WatchedPort& Port() { return m_port; }
    bool HungUp() const { return m_hungUp; }

private:
    static SimOptions Options(const SoakPlan& plan) {
        SimOptions options;
        options.faults = plan.faults;
        options.seed = plan.unitSeed;
        return options;
    }

    SoakPlan m_plan;
    UnitSim m_unit;  // outlives the port that talks to it
    EventQueue m_queue;
    TComm m_comm;
    WatchedPort m_port;
    MonotonicTimer m_timer;
    EndListener m_ends;
    LinkListener m_quiet;
    LinkSession m_link{m_port, m_timer, m_quiet};
    DeviceImage m_image;
    BlockTransfer m_transfer{m_link, m_image};
    ReplyTap m_tap{m_transfer, m_port};
    bool m_hungUp = false;
};

// The blocks a sequence moves, for its watchdog.
int BlocksOf(SoakKind kind, RegionId region) {
    switch (kind) {
        case SoakKind::SettingsRead:
        case SoakKind::SettingsWrite:
            return static_cast<int>(Region(RegionId::Settings).blocks);
        case SoakKind::RegionRead:
            return static_cast<int>(Region(region).blocks);
        case SoakKind::RecordChain: {
            int blocks = 0;
            for (const RegionId id : RecordChain()) {
                blocks += static_cast<int>(Region(id).blocks);
            }
            return blocks;
        }
    }
    return 0;
}

// The ranges whose bytes must match between the image and the unit after the sequence.
std::vector<const ImageRegion*> ComparedRegions(SoakKind kind, RegionId region) {
    switch (kind) {
        case SoakKind::SettingsRead:
        case SoakKind::SettingsWrite:
            return {&Region(RegionId::Settings)};
        case SoakKind::RegionRead:
            return {&Region(region)};
        case SoakKind::RecordChain: {
            std::vector<const ImageRegion*> all;
            for (const RegionId id : RecordChain()) {
                all.push_back(&Region(id));
            }
            return all;
        }
    }
    return {};
}

// The first address in the region where the image and the unit's memory differ.
std::optional<std::uint32_t> FirstDifference(const DeviceImage& image,
                                             const std::vector<std::uint8_t>& memory,
                                             const ImageRegion& region) {
    const auto bytes = image.Range(region.start, region.size);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != memory[region.start + i]) {
            return static_cast<std::uint32_t>(region.start + i);
        }
    }
    return std::nullopt;
}

const char* EndName(EndListener::End end) {
    switch (end) {
        case EndListener::End::Running:
            return "no end before the watchdog";
        case EndListener::End::Completed:
            return "completed";
        case EndListener::End::GaveUp:
            return "gave up";
        case EndListener::End::Stray:
            return "a stray address";
        case EndListener::End::Refused:
            return "refused by the unit";
        case EndListener::End::DecodeFailed:
            return "a failed decode";
    }
    return "?";
}

}  // namespace

const char* SoakKindName(SoakKind kind) {
    switch (kind) {
        case SoakKind::SettingsRead:
            return "settings read";
        case SoakKind::RegionRead:
            return "region read";
        case SoakKind::RecordChain:
            return "record chain";
        case SoakKind::SettingsWrite:
            return "settings write";
    }
    return "?";
}

SimFaults StandardSoakFaults() {
    SimFaults faults;
    faults.corruptOneIn = 20;
    faults.dropOneIn = 50;
    faults.splitReplies = true;
    faults.splitCuts = 2;
    faults.splitPauseMs = 15;  // three times the soak's 5 ms grouping pause
    faults.noiseBytes = 6;
    return faults;
}

long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    if (!(statm >> size >> resident)) {
        return 0;
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

SoakFigures RunSoak(const SoakPlan& plan) {
    SoakFigures figures;
    SoakRig rig(plan);
    std::string error;
    if (!rig.Open(error)) {
        figures.problems.push_back("cannot start: " + error);
        return figures;
    }
    std::mt19937 random(plan.planSeed);
    const auto started = Clock::now();
    figures.residentStartKiB = ResidentKiB();

    while (figures.exchanges < plan.minExchanges) {
        const std::size_t index = static_cast<std::size_t>(figures.sequences);
        SoakKind kind;
        if (index < plan.firstKinds.size()) {
            kind = plan.firstKinds[index];
        } else {
            // The record chain moves 338 blocks: drawn less often than the short sequences.
            const unsigned draw = random() % 10;
            kind = draw < 3   ? SoakKind::SettingsRead
                   : draw < 6 ? SoakKind::SettingsWrite
                   : draw < 9 ? SoakKind::RegionRead
                              : SoakKind::RecordChain;
        }
        const auto chain = RecordChain();
        const RegionId region = chain[random() % chain.size()];
        if (kind == SoakKind::SettingsWrite) {
            // New bytes for the whole region, so a block that was not written shows.
            for (std::uint8_t& b : rig.Image().MutableRegionBytes(RegionId::Settings)) {
                b = static_cast<std::uint8_t>(random());
            }
        }
        const std::string what =
            std::string(SoakKindName(kind)) +
            (kind == SoakKind::RegionRead ? std::string(" of ") + Region(region).name : "") +
            " (sequence " + std::to_string(index + 1) + ")";

        const int blocks = BlocksOf(kind, region);
        const auto watchdog = std::chrono::milliseconds(
            10'000 + blocks * (LinkSender::MaxSends * plan.resendMs + 200));
        const EndListener::End end = rig.Run(kind, region, watchdog);
        rig.Settle(end == EndListener::End::GaveUp ? std::chrono::milliseconds(plan.resendMs)
                                                   : std::chrono::milliseconds(50));
        ++figures.sequences;
        figures.exchanges += static_cast<int>(rig.Unit().TakeReceivedFrames().size());
        for (std::string& p : rig.Port().TakeProblems()) {
            figures.problems.push_back(what + ": " + p);
        }
        if (rig.HungUp()) {
            figures.problems.push_back(what + ": the line hung up");
            break;
        }
        if (end == EndListener::End::Completed) {
            ++figures.completed;
            ++figures.completedOf[static_cast<int>(kind)];
            const std::vector<std::uint8_t> memory = rig.Unit().MemorySnapshot();
            for (const ImageRegion* r : ComparedRegions(kind, region)) {
                if (const auto at = FirstDifference(rig.Image(), memory, *r)) {
                    figures.problems.push_back(what + ": image and unit differ at " + Hex(*at));
                }
            }
        } else if (end == EndListener::End::GaveUp) {
            ++figures.gaveUp;
            ++figures.gaveUpOf[static_cast<int>(kind)];
        } else {
            figures.problems.push_back(what + ": ended with " + EndName(end));
            if (end == EndListener::End::Running) {
                break;  // a hang: nothing after it can be trusted
            }
        }
        if (figures.residentWarmKiB == 0 && figures.exchanges >= plan.minExchanges / 4) {
            figures.residentWarmKiB = ResidentKiB();
        }
    }
    figures.resends = rig.Port().Resends();
    figures.residentEndKiB = ResidentKiB();
    if (figures.residentWarmKiB == 0) {
        figures.residentWarmKiB = figures.residentEndKiB;
    }
    figures.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    return figures;
}

}  // namespace carecfg
