#pragma once

#include <QMetaType>
#include <QString>

// The state of one voice or video call. Only `ended` carries a value: the reason.
class CallState {
public:
    enum class Kind { idle, outgoing, incoming, connecting, connected, ended };

    CallState() = default;
    static CallState idle() { return CallState(Kind::idle); }
    static CallState outgoing() { return CallState(Kind::outgoing); }
    static CallState incoming() { return CallState(Kind::incoming); }
    static CallState connecting() { return CallState(Kind::connecting); }
    static CallState connected() { return CallState(Kind::connected); }
    static CallState ended(QString reason) { return CallState(Kind::ended, std::move(reason)); }

    Kind kind() const { return m_kind; }
    // The reason of an ended call; empty for every other state.
    QString endReason() const { return m_reason; }

    friend bool operator==(const CallState& a, const CallState& b)
    {
        return a.m_kind == b.m_kind && a.m_reason == b.m_reason;
    }

private:
    explicit CallState(Kind kind, QString reason = {}) : m_kind(kind), m_reason(std::move(reason)) {}

    Kind m_kind = Kind::idle;
    QString m_reason;
};

Q_DECLARE_METATYPE(CallState)
