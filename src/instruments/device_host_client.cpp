#include "instruments/device_host_client.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/clock.h"

extern char** environ;

namespace tesmira::devhost {
namespace {

constexpr const char* kProgramName = "tesmira-devhost";
// The helper finds its socket here.
constexpr int kHelperFd = 3;

bool IsFile(const std::string& path) {
    return access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string FindDeviceHostProgram(const LibrarySearch& search) {
    // Only the program's own folders: the plug-in path is for libraries.
    LibrarySearch own = search;
    own.pluginPath.clear();
    for (const std::string& candidate : own.Candidates(kProgramName)) {
        if (IsFile(candidate))
            return candidate;
    }
    return {};
}

DeviceHostClient::DeviceHostClient(Clock& clock, DeviceKind kind, std::string program,
                                   LibrarySearch search, HostTiming timing)
    : clock_(clock),
      kind_(kind),
      program_(std::move(program)),
      search_(std::move(search)),
      timing_(timing) {}

DeviceHostClient::~DeviceHostClient() {
    open_.clear();  // nobody is left to tell
    events_ = {};
    socketChanged_ = {};
    // A helper that sees its socket close ends by itself; one that does not is killed.
    EndHelper(false);
    for (int waited = 0; !ended_.empty() && waited < 100; ++waited) {
        Reap();
        if (!ended_.empty())
            usleep(1000);
    }
    for (pid_t pid : ended_)
        kill(pid, SIGKILL);
    Reap();
}

bool DeviceHostClient::Due(uint32_t tick) const {
    return static_cast<int32_t>(clock_.TickMs() - tick) >= 0;
}

void DeviceHostClient::Start() {
    if (Running() || state_ == State::kWaiting || gaveUp_)
        return;
    Spawn();
}

void DeviceHostClient::Spawn() {
    if (program_.empty()) {
        Fault(HostEvent::kNoProgram, std::string(kProgramName) + " not found", true);
        return;
    }
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pair) != 0) {
        Fault(HostEvent::kNoProgram, std::strerror(errno), true);
        return;
    }
    // The helper's end: blocking, and never the number it is moved to (that would keep its
    // close-on-exec flag).
    const int child = fcntl(pair[1], F_DUPFD_CLOEXEC, 10);
    close(pair[1]);
    if (child < 0 || fcntl(child, F_SETFL, 0) != 0) {
        close(pair[0]);
        if (child >= 0)
            close(child);
        Fault(HostEvent::kNoProgram, std::strerror(errno), true);
        return;
    }

    std::vector<std::string> args = HostArguments(kind_, kHelperFd, search_);
    args.insert(args.begin(), program_);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, child, kHelperFd);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // Its own process group: a Ctrl+C in the terminal is for Tesmira, which then closes its
    // helpers the normal way. Default signal handling and no blocked signals.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(
        &attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program_.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(child);
    if (rc != 0) {
        close(pair[0]);
        Fault(HostEvent::kNoProgram, program_ + ": " + std::strerror(rc), true);
        return;
    }
    pid_ = pid;
    fd_ = pair[0];
    ++generation_;
    ++starts_;
    state_ = State::kStarting;
    answered_ = false;
    loadDue_ = clock_.TickMs() + timing_.loadDeadlineMs;
    if (socketChanged_)
        socketChanged_();
}

void DeviceHostClient::Call(Request request, AnswerHandler done) {
    if (!Running()) {
        if (done)
            done(nullptr);
        return;
    }
    request.seq = nextSeq_++;
    if (nextSeq_ == 0)
        nextSeq_ = 1;  // 0 is the helper's own word on loading
    const std::vector<uint8_t> bytes = Encode(request);
    const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent != static_cast<ssize_t>(bytes.size())) {
        // A full queue means the helper has stopped taking calls. A helper that has gone may
        // have said why first (a library that is not there): that is read before judging.
        const bool stuck = sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        if (!stuck)
            OnReadable();
        if (Running())
            Fault(stuck ? HostEvent::kNoAnswer : HostEvent::kEnded);
        if (done)
            done(nullptr);
        return;
    }
    // While the library loads only the loading's deadline counts; calls get theirs once loaded.
    open_[request.seq] = {request.op, clock_.TickMs() + timing_.callDeadlineMs, std::move(done)};
}

void DeviceHostClient::OnReadable() {
    bool gone = false;  // the helper has closed its end; what it sent before is still read
    while (fd_ >= 0) {
        uint8_t buffer[kMaxMessage];
        const ssize_t n = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == ECONNRESET && !gone) {
            gone = true;
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && !gone)
            return;
        if (n <= 0) {
            if (state_ == State::kStarting)
                Fault(HostEvent::kCrashedLoading, {}, true);
            else
                Fault(HostEvent::kEnded);
            return;
        }
        const std::optional<Answer> answer =
            DecodeAnswer(std::span<const uint8_t>(buffer, static_cast<size_t>(n)));
        if (!answer) {
            Fault(HostEvent::kNonsense);
            return;
        }
        Take(*answer);
    }
}

void DeviceHostClient::Take(const Answer& answer) {
    if (answer.op == Op::kHello) {
        if (state_ != State::kStarting || answer.seq != 0) {
            Fault(HostEvent::kNonsense);
            return;
        }
        switch (answer.status) {
            case LoadStatus::kLoaded: {
                state_ = State::kOnline;
                onlineSince_ = clock_.TickMs();
                for (auto& [seq, call] : open_)
                    call.due = onlineSince_ + timing_.callDeadlineMs;
                Tell(HostEvent::kLoaded, {});
                return;
            }
            case LoadStatus::kMissing:
                Fault(HostEvent::kMissing, answer.reason, true);
                return;
            case LoadStatus::kUnusable:
                Fault(HostEvent::kUnusable, answer.reason, true);
                return;
        }
        return;
    }
    const auto it = open_.find(answer.seq);
    if (state_ != State::kOnline || it == open_.end() || it->second.op != answer.op) {
        Fault(HostEvent::kNonsense);
        return;
    }
    AnswerHandler done = std::move(it->second.done);
    open_.erase(it);
    answered_ = true;
    if (done)
        done(&answer);
}

void DeviceHostClient::Service() {
    OnReadable();
    Reap();
    switch (state_) {
        case State::kStarting:
            if (Due(loadDue_))
                Fault(HostEvent::kNoAnswer);
            break;
        case State::kOnline:
            for (const auto& [seq, call] : open_) {
                if (Due(call.due)) {
                    Fault(HostEvent::kNoAnswer);
                    return;
                }
            }
            // Faults are forgotten once a helper has served calls well for a while.
            if (faults_ > 0 && answered_ && Due(onlineSince_ + timing_.healthyAfterMs)) {
                faults_ = 0;
                Tell(HostEvent::kRecovered, {});
            }
            break;
        case State::kWaiting:
            if (Due(restartAt_))
                Spawn();
            break;
        case State::kIdle:
        case State::kStopped:
            break;
    }
}

void DeviceHostClient::Drain(int maxMs) {
    for (int waited = 0; fd_ >= 0 && !open_.empty() && waited < maxMs; waited += 10) {
        pollfd p{fd_, POLLIN, 0};
        poll(&p, 1, 10);
        OnReadable();
    }
}

void DeviceHostClient::Fault(HostEvent event, const std::string& detail, bool final) {
    EndHelper(true);
    // The open calls are given up after the news, which may already start the next helper.
    std::map<uint32_t, OpenCall> failed;
    failed.swap(open_);
    if (final) {
        state_ = State::kStopped;
        Tell(event, detail);
    } else {
        ++faults_;
        if (faults_ >= timing_.faultsBeforeGivingUp) {
            state_ = State::kStopped;
            gaveUp_ = true;
            Tell(event, detail);
            Tell(HostEvent::kGaveUp, std::to_string(faults_));
        } else {
            uint32_t backoff = timing_.firstBackoffMs;
            for (int i = 1; i < faults_ && backoff < timing_.longestBackoffMs; ++i)
                backoff *= 2;
            state_ = State::kWaiting;
            restartAt_ = clock_.TickMs() + std::min(backoff, timing_.longestBackoffMs);
            Tell(event, detail);
        }
    }
    // Handlers may call again (and fail at once).
    for (auto& [seq, call] : failed) {
        if (call.done)
            call.done(nullptr);
    }
}

void DeviceHostClient::EndHelper(bool killIt) {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
        ++generation_;
    }
    if (pid_ > 0) {
        if (killIt)
            kill(pid_, SIGKILL);
        ended_.push_back(pid_);
        pid_ = -1;
    }
    if (socketChanged_)
        socketChanged_();
}

void DeviceHostClient::Tell(HostEvent event, const std::string& detail) {
    if (events_)
        events_(event, detail);
}

void DeviceHostClient::Reap() {
    std::erase_if(ended_, [](pid_t pid) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        return r == pid || (r < 0 && errno == ECHILD);
    });
}

}  // namespace tesmira::devhost
