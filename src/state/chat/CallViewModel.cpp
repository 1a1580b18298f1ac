#include "state/chat/CallViewModel.h"

namespace {

template <typename T, typename Signal>
void assign(CallViewModel* model, T& field, const T& value, Signal signal)
{
    if (field == value)
        return;
    field = value;
    Q_EMIT(model->*signal)();
}

} // namespace

void CallViewModel::setCallState(const CallState& state)
{
    assign(this, m_callState, state, &CallViewModel::callStateChanged);
}

void CallViewModel::setIsVideoCall(bool value)
{
    assign(this, m_isVideoCall, value, &CallViewModel::isVideoCallChanged);
}

void CallViewModel::setIsMuted(bool value)
{
    assign(this, m_isMuted, value, &CallViewModel::isMutedChanged);
}

void CallViewModel::setIsCameraEnabled(bool value)
{
    assign(this, m_isCameraEnabled, value, &CallViewModel::isCameraEnabledChanged);
}

void CallViewModel::setCallDuration(qint64 seconds)
{
    assign(this, m_callDuration, seconds, &CallViewModel::callDurationChanged);
}

void CallViewModel::setPeerName(const QString& name)
{
    assign(this, m_peerName, name, &CallViewModel::peerNameChanged);
}

void CallViewModel::setPeerAvatar(const std::optional<QString>& avatar)
{
    assign(this, m_peerAvatar, avatar, &CallViewModel::peerAvatarChanged);
}
