// Hand-over to the UI thread: the streaming thread and worker threads never touch widgets; they
// post a function that the UI thread's event loop runs.
#pragma once

#include <functional>

namespace tesmira {

class IUiPoster {
public:
    virtual ~IUiPoster() = default;
    // Queues `fn` to run on the UI thread (also when called from it, so the caller settles first).
    virtual void Post(std::function<void()> fn) = 0;
};

// Runs `fn` on the UI thread (queued); from the UI thread itself it is queued as well, so the
// caller's state is settled first. Does nothing before the application object exists.
void RunOnUiThread(std::function<void()> fn);

// The poster of a running Qt application.
class QtUiPoster : public IUiPoster {
public:
    void Post(std::function<void()> fn) override { RunOnUiThread(std::move(fn)); }
};

}  // namespace tesmira
