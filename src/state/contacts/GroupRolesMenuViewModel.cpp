#include "state/contacts/GroupRolesMenuViewModel.h"

#include "services/GroupService.h"
#include "state/common/ErrorDescription.h"

#include <QDebug>
#include <QPointer>

namespace {
struct PresetColor {
    QString hex;
    const char* nameKey;
};

const QList<PresetColor>& presets()
{
    static const QList<PresetColor> colors {
        { QStringLiteral("#4A90D9"), "roles.color_blue" },   { QStringLiteral("#50C878"), "roles.color_green" },
        { QStringLiteral("#F5A623"), "roles.color_orange" }, { QStringLiteral("#E74C3C"), "roles.color_red" },
        { QStringLiteral("#9B59B6"), "roles.color_purple" }, { QStringLiteral("#1ABC9C"), "roles.color_teal" },
        { QStringLiteral("#E91E63"), "roles.color_pink" },   { QStringLiteral("#607D8B"), "roles.color_gray" },
    };
    return colors;
}
} // namespace

const QStringList& GroupRolesMenuViewModel::presetColors()
{
    static const QStringList colors = [] {
        QStringList hexes;
        for (const PresetColor& color : presets())
            hexes << color.hex;
        return hexes;
    }();
    return colors;
}

const char* GroupRolesMenuViewModel::colorNameKey(const QString& hex)
{
    for (const PresetColor& color : presets()) {
        if (color.hex.compare(hex, Qt::CaseInsensitive) == 0)
            return color.nameKey;
    }
    return "roles.color";
}

GroupRolesMenuViewModel::GroupRolesMenuViewModel(qint64 conversationId, qint64 currentUserId, GroupService* groupService, QObject* parent)
    : QObject(parent)
    , m_conversationId(conversationId)
    , m_currentUserId(currentUserId)
    , m_groupService(groupService)
{
}

QCoro::Task<> GroupRolesMenuViewModel::resolve()
{
    QPointer<GroupRolesMenuViewModel> self(this);
    QList<ChatGroup> groups;
    try {
        groups = co_await m_groupService->getGroups();
    } catch (const std::exception& error) {
        qWarning().noquote() << "[GroupRoles] Group list failed:" << errorDescription(error);
    }
    if (!self)
        co_return;
    m_groupId.reset();
    for (const ChatGroup& group : groups) {
        if (group.conversationId == m_conversationId && group.ownerId == m_currentUserId)
            m_groupId = group.id;
    }
    Q_EMIT resolved();
}
