// Message boxes answered by a test: every text is recorded in order, notices are
// confirmed, questions take the scripted answers and then `otherwise`.
#pragma once

#include "common/messages.h"

#include <QList>
#include <QStringList>

namespace ferolind::test {

struct MessageScript {
    QStringList texts;
    QList<ui::Answer> answers;
    ui::Answer otherwise;

    explicit MessageScript(ui::Answer whenNoneLeft = ui::Answer::No) : otherwise(whenNoneLeft) {
        ui::setMessageHandler([this](ui::Kind, const QString& text, ui::Buttons buttons) {
            texts << text;
            if (buttons == ui::Buttons::Ok) return ui::Answer::Ok;
            return answers.isEmpty() ? otherwise : answers.takeFirst();
        });
    }
    ~MessageScript() { ui::setMessageHandler({}); }
    MessageScript(const MessageScript&) = delete;
    MessageScript& operator=(const MessageScript&) = delete;
};

}  // namespace ferolind::test
