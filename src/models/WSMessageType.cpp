#include "models/WSMessageType.h"

#include <array>

using namespace Qt::StringLiterals;

namespace {

// Indexed by case; the order is the wire vocabulary's and must not change.
constexpr std::array<QLatin1StringView, wsMessageTypeCount> rawValues {
    "auth"_L1,
    "auth_success"_L1,
    "message"_L1,
    "typing"_L1,
    "typing_stop"_L1,
    "read"_L1,
    "online"_L1,
    "offline"_L1,
    "revoke"_L1,
    "message_edit"_L1,
    "reaction"_L1,
    "ping"_L1,
    "pong"_L1,
    "message_send"_L1,
    "message_ack"_L1,
    "message_deliver"_L1,
    "message_delivered"_L1,
    "message_read"_L1,
    "message_read_notify"_L1,
    "message_revoke"_L1,
    "message_revoked"_L1,
    "read_sync"_L1,
    "sync_init"_L1,
    "sync_init_response"_L1,
    "sync_request"_L1,
    "sync_response"_L1,
    "error"_L1,
    "message_edited"_L1,
    "message_pinned"_L1,
    "message_unpinned"_L1,
    "mute_conversation"_L1,
    "unmute_conversation"_L1,
    "mute_ack"_L1,
    "unmute_ack"_L1,
    "announcement_read"_L1,
    "call_created"_L1,
    "call_incoming"_L1,
    "call_accepted"_L1,
    "call_declined"_L1,
    "call_cancelled"_L1,
    "call_ended"_L1,
    "call_participant_joined"_L1,
    "call_participant_left"_L1,
    "call_sdp_offer"_L1,
    "call_sdp_answer"_L1,
    "call_state_update"_L1,
    "call_missed"_L1,
    "friend_request"_L1,
    "friend_request_accepted"_L1,
    "call_invite"_L1,
    "call_accept"_L1,
    "call_reject"_L1,
    "call_hangup"_L1,
    "call_busy"_L1,
    "call_offer"_L1,
    "call_answer"_L1,
    "call_ice"_L1,
    "call_timeout"_L1,
    "pin"_L1,
    "unpin"_L1,
    "poll_vote"_L1,
    "disappearing_timer"_L1,
    "thread_reply"_L1,
    "red_packet"_L1,
    "red_packet_claimed"_L1,
    "transfer_received"_L1,
    "transfer_accepted"_L1,
};

} // namespace

QLatin1StringView rawValue(WSMessageType type)
{
    return rawValues[static_cast<std::size_t>(type)];
}

std::optional<WSMessageType> wsMessageType(QStringView raw)
{
    for (std::size_t i = 0; i < rawValues.size(); ++i) {
        if (raw == rawValues[i])
            return static_cast<WSMessageType>(i);
    }
    return std::nullopt;
}
