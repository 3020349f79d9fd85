// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "AfxMessageBox.h"
#include "Prompter.h"

// Answers the framework's message boxes and file dialogs in place of a person,
// and records what was asked. Installed for the lifetime of the object.
class FakePrompter : public Prompter {
  public:
    FakePrompter() { AfxSetPrompter(this); }
    ~FakePrompter() override { AfxSetPrompter(nullptr); }

    void MessageBox(const std::string& text, const std::string& /*title*/) override {
        messages.push_back(text);
        // A real box runs the event loop until it is dismissed; so must this,
        // or a refill waiting on the window thread would never finish.
        QCoreApplication::processEvents();
    }

    std::optional<std::string> OpenFileName(const std::string& /*qtFilter*/) override {
        if (answers.empty()) {
            return std::nullopt;
        }
        std::optional<std::string> answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<std::string> messages;
    std::deque<std::optional<std::string>> answers;  // nullopt: the user cancels
};
