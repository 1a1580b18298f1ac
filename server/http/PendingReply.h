#pragma once

// An answer that is not ready when its handler returns (its work runs off the event
// loop). The front hands it a sink before the event loop runs again, and the work
// finishes on a later turn, so finish() always finds the sink: the answer is written
// to the connection then, if the client is still there.

#include "http/HttpReply.h"

#include <functional>

class PendingReply {
public:
    using Sink = std::function<void(const HttpReply&)>;

    void whenFinished(Sink sink) { m_sink = std::move(sink); }

    void finish(const HttpReply& reply)
    {
        Q_ASSERT(m_sink);
        if (m_sink)
            m_sink(reply);
    }

private:
    Sink m_sink;
};
