#pragma once

// An answer that is not ready when its handler returns (its work runs off the event
// loop). The front writes it to the connection once finish() is called, if the
// client is still there.

#include "http/HttpReply.h"

#include <functional>
#include <optional>

class PendingReply {
public:
    using Sink = std::function<void(const HttpReply&)>;

    void finish(const HttpReply& reply)
    {
        if (m_sink)
            m_sink(reply);
        else
            m_early = reply;
    }

    void whenFinished(Sink sink)
    {
        if (m_early)
            sink(*m_early);
        else
            m_sink = std::move(sink);
    }

private:
    Sink m_sink;
    std::optional<HttpReply> m_early;
};
