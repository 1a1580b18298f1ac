#pragma once

#include <QCoroTask>
#include <QObject>
#include <QStringList>

#include <optional>

class GroupService;

// Decides whether a group conversation's header offers the role screens: only
// to the group's owner. Finds the group behind the conversation in the user's
// group list, whose id the role calls need.
class GroupRolesMenuViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isOwner READ isOwner NOTIFY resolved)

public:
    // The palette of the role editor, first the colour a new role starts with.
    static const QStringList& presetColors();
    // The string-table key of a preset colour's name ("roles.color_blue"), which
    // is what a person hears for it; a colour outside the presets is "roles.color".
    static const char* colorNameKey(const QString& hex);

    GroupRolesMenuViewModel(qint64 conversationId, qint64 currentUserId, GroupService* groupService, QObject* parent = nullptr);

    qint64 conversationId() const { return m_conversationId; }
    GroupService* groupService() const { return m_groupService; }
    bool isOwner() const { return m_groupId.has_value(); }
    // Present only when the user owns the group.
    std::optional<qint64> groupId() const { return m_groupId; }

    // A failed look-up offers nothing: the roles stay out of reach, the chat works on.
    QCoro::Task<> resolve();

Q_SIGNALS:
    void resolved();

private:
    qint64 m_conversationId;
    qint64 m_currentUserId;
    GroupService* m_groupService;
    std::optional<qint64> m_groupId;
};
