// The tag pages' questions answered by a script, for the GUI tests.
#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "app/TagDialogs.h"

namespace quilto::test {

using quilto::app::OtherEditsAnswer;
using quilto::app::SetAllAnswer;
using quilto::app::SetAllRequest;

struct Answers {
    std::deque<std::optional<SetAllAnswer>> setAll;  // none left: Cancel
    std::vector<SetAllRequest> setAllRequests;
    OtherEditsAnswer otherEdits = OtherEditsAnswer::Cancel;
    int otherEditsAsked = 0;
    bool finished = true;
    int finishedAsked = 0;
    QStringList errors;
    QStringList information;
};

class ScriptedTagDialogs final : public quilto::app::TagDialogs {
public:
    explicit ScriptedTagDialogs(std::shared_ptr<Answers> answers) : answers_(std::move(answers)) {}
    std::optional<SetAllAnswer> setAll(QWidget*, const SetAllRequest& request) override {
        answers_->setAllRequests.push_back(request);
        if (answers_->setAll.empty()) return std::nullopt;
        auto answer = answers_->setAll.front();
        answers_->setAll.pop_front();
        return answer;
    }
    OtherEditsAnswer askOtherEdits(QWidget*, const QString&, const QString&) override {
        ++answers_->otherEditsAsked;
        return answers_->otherEdits;
    }
    bool finishedEditing(QWidget*) override {
        ++answers_->finishedAsked;
        return answers_->finished;
    }
    void showError(QWidget*, const QString& message, const QString&) override { answers_->errors << message; }
    void showInformation(QWidget*, const QString& message, const QString&) override {
        answers_->information << message;
    }

private:
    std::shared_ptr<Answers> answers_;
};

inline SetAllAnswer TextAnswer(const QString& text, bool append = false) {
    SetAllAnswer answer;
    answer.text = text;
    answer.append = append;
    return answer;
}

}  // namespace quilto::test
