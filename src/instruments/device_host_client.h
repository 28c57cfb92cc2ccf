// Runs one device library in a helper process of Tesmira's own (tesmira-devhost) and talks to it
// over a socket pair without ever waiting: a call is sent and its answer handled when it comes.
// Every call has a deadline measured on the clock; a call that misses it, a helper that ends or
// one that answers what was not asked is a fault: the helper is killed, the calls still open are
// given up, and a new helper is started after a back-off that doubles with each fault in a row,
// until too many faults in a row stop the restarts for good. A library that cannot be loaded (no
// file, a file that is not a usable library, one that crashes while it is mapped) is not retried
// on its own; Start tries again.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "instruments/device_host_protocol.h"
#include "instruments/library_loader.h"

namespace tesmira {

class Clock;

namespace devhost {

// What happened to a helper, for the user's messages.
enum class HostEvent {
    kLoaded,          // the library is loaded and the helper takes calls
    kRecovered,       // after faults, a helper has now served well for a while
    kMissing,         // the library file is not there
    kUnusable,        // a file is there but cannot be used (detail: the loader's reason)
    kCrashedLoading,  // the helper ended while it loaded the library
    kNoAnswer,        // a call (or the loading) missed its deadline
    kEnded,           // the helper ended while in use
    kNonsense,        // the helper sent what is not an answer to an open call
    kNoProgram,       // the helper program cannot be started (detail: why)
    kGaveUp,          // too many faults in a row: no more restarts (detail: how many)
};

struct HostTiming {
    uint32_t loadDeadlineMs = 5000;  // from the start to the helper's word on loading
    uint32_t callDeadlineMs = 2000;
    uint32_t firstBackoffMs = 1000;
    uint32_t longestBackoffMs = 30000;
    int faultsBeforeGivingUp = 6;
    uint32_t healthyAfterMs = 60000;  // a helper up this long forgets the faults before it
};

// The helper program tesmira-devhost: beside the executable, else in the private folders.
// Empty when there is none.
std::string FindDeviceHostProgram(const LibrarySearch& search);

class DeviceHostClient {
public:
    // Null when no answer will come (no helper, or it failed before answering).
    using AnswerHandler = std::function<void(const Answer* answer)>;
    using EventListener = std::function<void(HostEvent event, const std::string& detail)>;

    DeviceHostClient(Clock& clock, DeviceKind kind, std::string program, LibrarySearch search,
                     HostTiming timing = {});
    ~DeviceHostClient();
    DeviceHostClient(const DeviceHostClient&) = delete;
    DeviceHostClient& operator=(const DeviceHostClient&) = delete;

    void SetEventListener(EventListener listener) { events_ = std::move(listener); }
    // Told whenever the socket to watch changes (a helper started or ended).
    void SetSocketListener(std::function<void()> listener) { socketChanged_ = std::move(listener); }

    // Starts a helper unless one runs, a restart waits for its back-off or the restarts have
    // been given up.
    void Start();
    // A helper runs and has not failed (it may still be loading).
    bool Running() const { return state_ == State::kStarting || state_ == State::kOnline; }
    // ... and it has said its library is loaded.
    bool Online() const { return state_ == State::kOnline; }
    // Calls sent and not yet answered.
    bool Busy() const { return !open_.empty(); }

    // Sends `request` (its sequence number is assigned here). `done` runs once: with the answer,
    // or with null when none will come; at once when no helper runs.
    void Call(Request request, AnswerHandler done = {});

    // The socket on which answers arrive (-1: none), and a number that changes with it.
    int Fd() const { return fd_; }
    uint64_t Generation() const { return generation_; }
    // Takes every answer waiting on the socket.
    void OnReadable();
    // Periodic: answers waiting, deadlines, restarts due, helpers that ended.
    void Service();
    // At close: waits at most `maxMs` for the open calls' answers.
    void Drain(int maxMs);

    DeviceKind Kind() const { return kind_; }
    int Starts() const { return starts_; }  // helpers started so far

private:
    enum class State { kIdle, kStarting, kOnline, kWaiting, kStopped };
    struct OpenCall {
        Op op;
        uint32_t due;
        AnswerHandler done;
    };

    void Spawn();
    void Take(const Answer& answer);
    // The helper is of no further use: `event` is told; restarts follow unless `final`.
    void Fault(HostEvent event, const std::string& detail = {}, bool final = false);
    void EndHelper(bool kill);
    void Tell(HostEvent event, const std::string& detail);
    void Reap();
    bool Due(uint32_t tick) const;

    Clock& clock_;
    DeviceKind kind_;
    std::string program_;
    LibrarySearch search_;
    HostTiming timing_;
    EventListener events_;
    std::function<void()> socketChanged_;

    State state_ = State::kIdle;
    pid_t pid_ = -1;
    int fd_ = -1;
    uint64_t generation_ = 0;
    uint32_t nextSeq_ = 1;
    std::map<uint32_t, OpenCall> open_;
    uint32_t loadDue_ = 0;
    uint32_t onlineSince_ = 0;
    bool answered_ = false;  // the helper has answered a call since it started
    uint32_t restartAt_ = 0;
    int faults_ = 0;  // in a row
    bool gaveUp_ = false;
    int starts_ = 0;
    std::vector<pid_t> ended_;  // helpers not yet reaped
};

}  // namespace devhost
}  // namespace tesmira
