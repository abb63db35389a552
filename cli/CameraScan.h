#pragma once

#include "cli/ScanOptions.h"
#include "discovery/ChangeCoalescer.h"
#include "discovery/Model.h"

#include <QObject>

#include <functional>
#include <memory>

class OneShotTimer;

// vindra-scan's camera list: runs searches on a Model as the search button would and prints
// each search's list once the five-second browse is over, every service found has reported its
// TXT record or failed to resolve, and every probe has settled - or when the --wait bound
// (counted from the start of the search) has passed, whichever comes first, and at the latest
// just before the next search of --watch starts. Emits finished() after the last list.
//
// With --json every line printed is one JSON object: one per device (with "unchecked" naming the
// flags whose probes the --wait bound cut short), and under --watch one summary
// {"search":K,"devices":N} after each search's devices. An empty list prints nothing (only the
// summary under --watch).
class CameraScan : public QObject
{
    Q_OBJECT
public:
    using Print = std::function<void(const QString &text)>;

    // Null timers: QtOneShotTimers.
    CameraScan(Model &model, const ScanOptions &options, Print print,
               std::unique_ptr<OneShotTimer> waitTimer = nullptr,
               std::unique_ptr<OneShotTimer> watchTimer = nullptr, QObject *parent = nullptr);
    ~CameraScan() override;

    void start();

Q_SIGNALS:
    // A search's list was empty (sent after its output, before finished()).
    void nothingFound();
    void finished();

private:
    void search();
    void checkComplete();
    void printList();

    Model &m_model;
    ScanOptions m_options;
    Print m_print;
    std::unique_ptr<OneShotTimer> m_waitTimer;
    std::unique_ptr<OneShotTimer> m_watchTimer;
    ChangeCoalescer m_changes;
    int m_searchNumber = 0;
    bool m_printed = true;
};
