#pragma once

#include "platform/widearea/UnicastResolver.h"

#include <QHash>
#include <QList>
#include <QPointer>

#include <arpa/nameser.h>

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
    };

    void ask(const QByteArray &name, int type, QObject *receiver, Answer done) override
    {
        questions.append({name, type, receiver, std::move(done)});
    }

    // "TXT cam._http._tcp.site.example." for each question still wanted, in the order asked.
    QStringList asked() const
    {
        QStringList lines;
        for (const Question &question : questions) {
            if (question.receiver && question.done)
                lines << QStringLiteral("%1 %2").arg(typeName(question.type),
                                                     QString::fromLatin1(question.name));
        }
        return lines;
    }

    // Answers the oldest question still wanted for `type` (at most once per question).
    void answer(int type, const std::vector<DnsAnswerRecord> &records = {})
    {
        for (Question &question : questions) {
            if (question.type == type && question.receiver && question.done) {
                const Answer done = std::exchange(question.done, nullptr);
                done(records);
                return;
            }
        }
    }

    static QString typeName(int type)
    {
        static const QHash<int, QString> names{{ns_t_ptr, "PTR"},
                                               {ns_t_srv, "SRV"},
                                               {ns_t_txt, "TXT"},
                                               {ns_t_a, "A"},
                                               {ns_t_aaaa, "AAAA"}};
        return names.value(type, QString::number(type));
    }

    QList<Question> questions;
};
