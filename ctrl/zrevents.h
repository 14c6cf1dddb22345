// Internal events of the control window: a batch of replies from a worker, a worker's exit.
#pragma once

#include "messages.h"
#include "notify.h"
#include "zrclientthread.h"

#include <QEvent>

#include <memory>
#include <vector>

class CZRReplyEvent : public QEvent
{
public:
    // local: made on the GUI thread itself, so nobody waits for it.
    CZRReplyEvent(std::shared_ptr<ZRConnectionState> state, std::vector<_Message>&& batch, bool local = false)
        : QEvent(QEvent::Type(zrmsg::Reply)), state(std::move(state)), batch(std::move(batch)), local(local)
    {
    }
    ~CZRReplyEvent() override
    {
        // Dropped undelivered (the control window went away): release the worker all the same.
        if (!local && !delivered && state) state->finish();
    }

    std::shared_ptr<ZRConnectionState> state;
    std::vector<_Message> batch;
    bool local;
    bool delivered = false;
};

class CZRThreadExitEvent : public QEvent
{
public:
    explicit CZRThreadExitEvent(quint64 serial) : QEvent(QEvent::Type(zrmsg::ThreadExit)), serial(serial) {}
    quint64 serial;
};
