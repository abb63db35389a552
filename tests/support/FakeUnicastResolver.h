#pragma once

#include "platform/widearea/UnicastResolver.h"

#include <QList>
#include <QPointer>

// A UnicastResolver that keeps each question; the test answers it with answer(). A question
// whose receiver has gone counts as never sent (a real resolver drops it unasked).
class FakeUnicastResolver : public UnicastResolver
{
public:
    struct Question {
        QByteArray name;
        int type;
        QPointer<QObject> receiver;
        Answer done;
        bool isOpen() const { return receiver && done; }
    };

    void ask(const QByteArray &name, int type, QObject *receiver, Answer done) override
    {
        questions.append({name, type, receiver, std::move(done)});
    }

    // Answers the oldest open question of `type` (ns_t_txt, ...).
    void answer(int type, const std::vector<DnsAnswerRecord> &records = {})
    {
        for (Question &question : questions) {
            if (question.type == type && question.isOpen())
                return std::exchange(question.done, nullptr)(records);
        }
    }

    QList<Question> questions;
};
