#pragma once

#include "state/chat/CallState.h"

#include <QObject>
#include <QString>

#include <optional>

// The observable state a call screen would show. Nothing in the client starts or
// answers calls yet: this holds the state and announces its changes, nothing more.
class CallViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(CallState callState READ callState WRITE setCallState NOTIFY callStateChanged)
    Q_PROPERTY(bool isVideoCall READ isVideoCall WRITE setIsVideoCall NOTIFY isVideoCallChanged)
    Q_PROPERTY(bool isMuted READ isMuted WRITE setIsMuted NOTIFY isMutedChanged)
    Q_PROPERTY(bool isCameraEnabled READ isCameraEnabled WRITE setIsCameraEnabled NOTIFY isCameraEnabledChanged)
    Q_PROPERTY(qint64 callDuration READ callDuration WRITE setCallDuration NOTIFY callDurationChanged)
    Q_PROPERTY(QString peerName READ peerName WRITE setPeerName NOTIFY peerNameChanged)

public:
    explicit CallViewModel(QObject* parent = nullptr) : QObject(parent) {}

    CallState callState() const { return m_callState; }
    bool isVideoCall() const { return m_isVideoCall; }
    bool isMuted() const { return m_isMuted; }
    bool isCameraEnabled() const { return m_isCameraEnabled; }
    // Seconds.
    qint64 callDuration() const { return m_callDuration; }
    QString peerName() const { return m_peerName; }
    std::optional<QString> peerAvatar() const { return m_peerAvatar; }

    void setCallState(const CallState& state);
    void setIsVideoCall(bool value);
    void setIsMuted(bool value);
    void setIsCameraEnabled(bool value);
    void setCallDuration(qint64 seconds);
    void setPeerName(const QString& name);
    void setPeerAvatar(const std::optional<QString>& avatar);

Q_SIGNALS:
    void callStateChanged();
    void isVideoCallChanged();
    void isMutedChanged();
    void isCameraEnabledChanged();
    void callDurationChanged();
    void peerNameChanged();
    void peerAvatarChanged();

private:
    CallState m_callState = CallState::idle();
    bool m_isVideoCall = false;
    bool m_isMuted = false;
    bool m_isCameraEnabled = false;
    qint64 m_callDuration = 0;
    QString m_peerName;
    std::optional<QString> m_peerAvatar;
};
