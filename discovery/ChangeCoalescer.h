#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class Clock;
class Model;
class OneShotTimer;

// Turns the change announcements of a Model (objectWillChange, sent before the value is stored)
// into one call of `update` on a later turn of the event loop, however many announcements came
// in the meantime. So `update` always reads the stored values.
//
// Paced: `update` runs at most once per `intervalMs`. An announcement less than `intervalMs`
// after the last update waits on the timer for the rest of the interval; one later than that is
// served on the next turn. expedite() serves the next update on the next turn whatever the pace
// (a change the user must see at once, such as an emptied list). Main thread only.
//
// "A later turn" is whatever `post` makes of it: by default the step is posted to the event loop
// of the coalescer's thread; a test passes a hook that holds the steps until it takes a turn.
class ChangeCoalescer : public QObject
{
    Q_OBJECT
public:
    using Update = std::function<void()>;
    // Runs `step` on a later turn of the event loop, once. The coalescer guards its own steps,
    // so a step that runs after the coalescer is gone does nothing.
    using Post = std::function<void(std::function<void()> step)>;

    // Unpaced: every update on the turn after its first announcement. Null `post`: the event
    // loop's.
    ChangeCoalescer(const Model &model, Update update, Post post = {}, QObject *parent = nullptr);
    // Paced by `intervalMs` on `clock` (which must outlive the coalescer) and `timer` (owned);
    // null: a system clock and a QtOneShotTimer of its own.
    ChangeCoalescer(const Model &model, Update update, qint64 intervalMs,
                    const Clock *clock = nullptr, std::unique_ptr<OneShotTimer> timer = nullptr,
                    Post post = {}, QObject *parent = nullptr);
    ~ChangeCoalescer() override;

    // Asks for one update (the model's announcements arrive here too).
    void changeAnnounced();
    // Asks for one update on the next turn, a waiting one included.
    void expedite();

private:
    enum class State { idle, queued, timed };
    void queue();
    void run();

    Update m_update;
    Post m_post;
    qint64 m_intervalMs = 0;
    std::unique_ptr<Clock> m_ownClock;
    const Clock *m_clock = nullptr;
    std::unique_ptr<OneShotTimer> m_timer;
    std::optional<qint64> m_lastUpdate;
    State m_state = State::idle;
};
