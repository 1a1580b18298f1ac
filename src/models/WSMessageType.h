#pragma once

#include <QLatin1StringView>
#include <QStringView>

#include <optional>

// The vocabulary of WebSocket frame types. Frames are built and compared by their
// type strings; this table only names them.
enum class WSMessageType : quint8 {
    Auth, // 0
    AuthSuccess, // 1
    Message, // 2
    Typing, // 3
    TypingStop, // 4
    Read, // 5
    Online, // 6
    Offline, // 7
    Revoke, // 8
    MessageEdit, // 9
    Reaction, // 10
    Ping, // 11
    Pong, // 12
    MessageSend, // 13
    MessageAck, // 14
    MessageDeliver, // 15
    MessageDelivered, // 16
    MessageRead, // 17
    MessageReadNotify, // 18
    MessageRevoke, // 19
    MessageRevoked, // 20
    ReadSync, // 21
    SyncInit, // 22
    SyncInitResponse, // 23
    SyncRequest, // 24
    SyncResponse, // 25
    Error, // 26
    MessageEdited, // 27
    MessagePinned, // 28
    MessageUnpinned, // 29
    MuteConversation, // 30
    UnmuteConversation, // 31
    MuteAck, // 32
    UnmuteAck, // 33
    AnnouncementRead, // 34
    CallCreated, // 35
    CallIncoming, // 36
    CallAccepted, // 37
    CallDeclined, // 38
    CallCancelled, // 39
    CallEnded, // 40
    CallParticipantJoined, // 41
    CallParticipantLeft, // 42
    CallSdpOffer, // 43
    CallSdpAnswer, // 44
    CallStateUpdate, // 45
    CallMissed, // 46
    FriendRequest, // 47
    FriendRequestAccepted, // 48
    CallInvite, // 49
    CallAccept, // 50
    CallReject, // 51
    CallHangup, // 52
    CallBusy, // 53
    CallOffer, // 54
    CallAnswer, // 55
    CallIce, // 56
    CallTimeout, // 57
    Pin, // 58
    Unpin, // 59
    PollVote, // 60
    DisappearingTimer, // 61
    ThreadReply, // 62
    RedPacket, // 63
    RedPacketClaimed, // 64
    TransferReceived, // 65
    TransferAccepted, // 66
};

inline constexpr int wsMessageTypeCount = 67;

// The type string of a case, e.g. "unmute_ack".
QLatin1StringView rawValue(WSMessageType type);
// The case whose type string this is; none for strings outside the table.
std::optional<WSMessageType> wsMessageType(QStringView raw);
