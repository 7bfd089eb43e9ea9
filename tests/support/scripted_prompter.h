// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A Prompter for tests: records every message and question in the order they came and
// answers questions from a script, so no test ever waits on a modal box.

#include <deque>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "messages/prompter.h"

namespace kelvo::test {

class ScriptedPrompter : public Prompter {
public:
    enum class Kind { Warning, Question };
    struct Entry {
        Kind kind;
        std::string text;
        std::string detail;  // warnings only

        bool operator==(const Entry&) const = default;
    };

    ScriptedPrompter() = default;
    explicit ScriptedPrompter(std::initializer_list<bool> answers) : answers_(answers) {}

    // Answers for the next questions, in order (true = OK, false = Cancel).
    void QueueAnswers(std::initializer_list<bool> answers) { answers_.insert(answers_.end(), answers); }

    void Warn(std::string_view text, std::string_view detail = {}) override {
        entries_.push_back({Kind::Warning, std::string(text), std::string(detail)});
    }

    // A question beyond the script is answered with Cancel and counted, so that a test
    // can tell an unexpected question from an expected one.
    bool Confirm(std::string_view text) override {
        entries_.push_back({Kind::Question, std::string(text), {}});
        if (answers_.empty()) {
            ++unscriptedQuestions_;
            return false;
        }
        const bool answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    const std::vector<Entry>& Entries() const { return entries_; }
    // The texts of every message and question, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Entry& entry : entries_) texts.push_back(entry.text);
        return texts;
    }
    std::size_t UnusedAnswers() const { return answers_.size(); }
    int UnscriptedQuestions() const { return unscriptedQuestions_; }
    void Clear() {
        entries_.clear();
        answers_.clear();
        unscriptedQuestions_ = 0;
    }

private:
    std::vector<Entry> entries_;
    std::deque<bool> answers_;
    int unscriptedQuestions_ = 0;
};

}  // namespace kelvo::test
