// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// RelayedPrompter: the messages and questions of a job on the line's worker, shown by the
// thread that owns the windows. Each call is handed to that thread by `post` and waits
// until the user has closed the box; so a transaction keeps its order of messages and of
// closing the port (which it does only after the box is gone), while the window's thread
// never waits for the worker.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "messages/prompter.h"

namespace kelvo {

class RelayedPrompter : public Prompter {
public:
    // Runs a function on the window's thread, later (a queued call).
    using Post = std::function<void(std::function<void()>)>;

    // `target` shows the boxes on the window's thread.
    RelayedPrompter(Prompter& target, Post post);
    ~RelayedPrompter() override;
    RelayedPrompter(const RelayedPrompter&) = delete;
    RelayedPrompter& operator=(const RelayedPrompter&) = delete;

    void Warn(std::string_view text, std::string_view detail = {}) override;
    bool Confirm(std::string_view text) override;

    // From the window's thread, before it waits for the worker (closing): every call
    // waiting or still to come returns at once, a message unseen, a question as Cancel.
    void Abandon();

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable answered;
        bool abandoned = false;
    };
    // Hands `ask` to the window's thread and waits for its answer.
    bool Relay(std::function<bool(Prompter&)> ask);

    Prompter& target_;
    Post post_;
    std::shared_ptr<Shared> shared_;
};

}  // namespace kelvo
