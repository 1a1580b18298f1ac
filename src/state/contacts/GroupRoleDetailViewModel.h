#pragma once

#include "services/GroupService.h"

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

// The role editor: a new role of a group, or an existing one, with its name,
// colour and five permissions. All five permission keys are always sent.
class GroupRoleDetailViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY changed)
    Q_PROPERTY(QString selectedColor READ selectedColor WRITE setSelectedColor NOTIFY changed)
    Q_PROPERTY(bool isSaving READ isSaving NOTIFY isSavingChanged)
    Q_PROPERTY(QString errorMessage READ errorText NOTIFY errorMessageChanged)

public:
    // The permission keys in switch order, with their labels and the value an
    // existing role's map stands for when it lacks the key.
    struct Permission {
        QString key;
        const char* labelKey;
        bool fallback;
    };
    static const QList<Permission>& permissionTable();
    static QString defaultColor() { return QStringLiteral("#4A90D9"); }

    GroupRoleDetailViewModel(qint64 groupId, qint64 conversationId, std::optional<GroupService::GroupRole> existingRole,
        QStringList presetColors, GroupService* groupService, QObject* parent = nullptr);

    qint64 groupId() const { return m_groupId; }
    qint64 conversationId() const { return m_conversationId; }
    const std::optional<GroupService::GroupRole>& existingRole() const { return m_existingRole; }
    bool isCreating() const { return !m_existingRole; }
    const QStringList& presetColors() const { return m_presetColors; }

    QString name() const { return m_name; }
    void setName(const QString& name);
    QString selectedColor() const { return m_selectedColor; }
    void setSelectedColor(const QString& color);
    bool permission(const QString& key) const { return m_permissions.value(key); }
    void setPermission(const QString& key, bool granted);
    // The five switches under their keys.
    GroupService::Permissions permissionsDictionary() const { return m_permissions; }
    bool isSaving() const { return m_isSaving; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    QString errorText() const { return m_errorMessage.value_or(QString()); }
    void clearError();
    // The name without blanks (spaces and tabs) at its ends is not empty, and no save runs.
    bool canSave() const;

    // Shows the stored role again (unsaved edits are lost); nothing for a new role.
    void prefill();
    QCoro::Task<> save();

Q_SIGNALS:
    void changed();
    void isSavingChanged();
    void errorMessageChanged();
    // The server took the role: the created role for a new one, absent after an update.
    void saved(const std::optional<GroupService::GroupRole>& created);

private:
    QString trimmedName() const;
    void setIsSaving(bool saving);

    qint64 m_groupId;
    qint64 m_conversationId;
    std::optional<GroupService::GroupRole> m_existingRole;
    QStringList m_presetColors;
    GroupService* m_groupService;
    QString m_name;
    QString m_selectedColor = defaultColor();
    GroupService::Permissions m_permissions;
    bool m_isSaving = false;
    std::optional<QString> m_errorMessage;
};
