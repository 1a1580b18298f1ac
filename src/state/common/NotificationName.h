#pragma once

#include <QString>

// The names of the in-process notifications and the keys of their user info.
//
// name                          keys (type)                       posted by / observed by
// messageSent                   conversationId (integer),         ChatViewModel after a send /
//                               content (text), createdAt (text)  ConversationListViewModel
//                               clientMsgId (text), failed (flag:
//                               it could not leave at all)
// messageDiscarded              conversationId (integer),         MessageSender when a failed message
//                               clientMsgId (text)                is thrown away / ConversationListViewModel
// conversationRead              conversationId (integer)          ChatViewModel / nobody
// clearChatHistory              conversationId (integer)          nobody yet / ChatViewModel
// conversationSettingsChanged   conversationId (integer),         nobody yet /
//                               isMuted, isPinned (flags)         ConversationListViewModel
// conversationActive            conversationId (integer)          ChatViewModel when made /
//                                                                 ConversationListViewModel
// conversationInactive          conversationId (integer)          ChatViewModel when gone /
//                                                                 ConversationListViewModel
// navigateToConversation        conversation (Conversation)       contact screens / main window
namespace NotificationName {

#define MORVANE_NOTIFICATION_NAME(name)                         \
    inline const QString& name()                                \
    {                                                           \
        static const QString value = QStringLiteral(#name);     \
        return value;                                           \
    }

MORVANE_NOTIFICATION_NAME(messageSent)
MORVANE_NOTIFICATION_NAME(messageDiscarded)
MORVANE_NOTIFICATION_NAME(conversationRead)
MORVANE_NOTIFICATION_NAME(clearChatHistory)
MORVANE_NOTIFICATION_NAME(conversationSettingsChanged)
MORVANE_NOTIFICATION_NAME(conversationActive)
MORVANE_NOTIFICATION_NAME(conversationInactive)
MORVANE_NOTIFICATION_NAME(navigateToConversation)

#undef MORVANE_NOTIFICATION_NAME

} // namespace NotificationName

namespace NotificationKey {

inline QString conversationId() { return QStringLiteral("conversationId"); }
inline QString content() { return QStringLiteral("content"); }
inline QString createdAt() { return QStringLiteral("createdAt"); }
inline QString clientMsgId() { return QStringLiteral("clientMsgId"); }
inline QString failed() { return QStringLiteral("failed"); }
inline QString isMuted() { return QStringLiteral("isMuted"); }
inline QString isPinned() { return QStringLiteral("isPinned"); }
inline QString conversation() { return QStringLiteral("conversation"); }

} // namespace NotificationKey
