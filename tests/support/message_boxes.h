#pragma once
// Captures every message box the program shows and answers it as the test says.

#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "ui/message_box.h"

class MessageBoxes {
public:
    MessageBoxes()
        : m_previous(SetMessageBoxHandler([this](const MessageBoxRequest& request) {
              m_shown.push_back(request);
              return m_answer ? m_answer(request) : request.defaultButton;
          })) {}
    ~MessageBoxes() { SetMessageBoxHandler(m_previous); }
    MessageBoxes(const MessageBoxes&) = delete;
    MessageBoxes& operator=(const MessageBoxes&) = delete;

    // How to answer; without it every box gets its default button.
    void AnswerWith(std::function<MsgResult(const MessageBoxRequest&)> answer) {
        m_answer = std::move(answer);
    }
    const std::vector<MessageBoxRequest>& Shown() const { return m_shown; }
    QStringList Texts() const {
        QStringList texts;
        for (const auto& box : m_shown) texts.append(box.text);
        return texts;
    }
    // The texts as one line, for failure messages.
    std::string Joined() const { return Texts().join(QStringLiteral(" | ")).toStdString(); }
    void Clear() { m_shown.clear(); }

private:
    std::vector<MessageBoxRequest> m_shown;
    std::function<MsgResult(const MessageBoxRequest&)> m_answer;
    MessageBoxHandler m_previous;
};
