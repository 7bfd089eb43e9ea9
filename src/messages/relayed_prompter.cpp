// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages/relayed_prompter.h"

#include <string>
#include <utility>

namespace kelvo {

RelayedPrompter::RelayedPrompter(Prompter& target, Post post)
    : target_(target), post_(std::move(post)), shared_(std::make_shared<Shared>()) {}

RelayedPrompter::~RelayedPrompter() { Abandon(); }

void RelayedPrompter::Warn(std::string_view text, std::string_view detail) {
    Relay([text = std::string(text), detail = std::string(detail)](Prompter& target) {
        target.Warn(text, detail);
        return true;
    });
}

bool RelayedPrompter::Confirm(std::string_view text) {
    return Relay([text = std::string(text)](Prompter& target) { return target.Confirm(text); });
}

void RelayedPrompter::Abandon() {
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->abandoned = true;
    }
    shared_->answered.notify_all();
}

bool RelayedPrompter::Relay(std::function<bool(Prompter&)> ask) {
    struct Call {
        bool done = false;
        bool answer = false;
    };
    auto call = std::make_shared<Call>();
    {
        const std::lock_guard lock(shared_->mutex);
        if (shared_->abandoned) return false;
    }
    // The call runs later on the window's thread: it holds what it needs by value, and
    // shows nothing once the worker has stopped listening.
    post_([shared = shared_, call, ask = std::move(ask), target = &target_] {
        {
            const std::lock_guard lock(shared->mutex);
            if (shared->abandoned) return;
        }
        const bool answer = ask(*target);
        {
            const std::lock_guard lock(shared->mutex);
            call->done = true;
            call->answer = answer;
        }
        shared->answered.notify_all();
    });
    std::unique_lock lock(shared_->mutex);
    shared_->answered.wait(lock, [&] { return call->done || shared_->abandoned; });
    return call->done && call->answer;
}

}  // namespace kelvo
