#pragma once

#include "app/SidebarSection.h"

#include <QWidget>

class AuthViewModel;
class AvatarView;
class ElidedLabel;
class QLabel;
class QPushButton;
class SidebarSectionList;
class WebSocketService;

// The main window's left column: the six sections, whether the live channel is
// connected, who is signed in, and the sign-out button.
class SidebarView : public QWidget {
    Q_OBJECT
public:
    SidebarView(AuthViewModel* authViewModel, WebSocketService* wsService, QWidget* parent = nullptr);

    SidebarSection selectedSection() const { return m_selected; }
    void setSelectedSection(SidebarSection section);

Q_SIGNALS:
    void selectedSectionChanged(SidebarSection section);

private:
    void retranslate();
    void updateConnection();
    void updateUser();
    void signOut();

    AuthViewModel* m_auth;
    WebSocketService* m_ws;
    SidebarSection m_selected = SidebarSection::messages;
    SidebarSectionList* m_sections;
    QLabel* m_connectionDot;
    QLabel* m_connectionText;
    QWidget* m_userRow;
    AvatarView* m_userAvatar;
    ElidedLabel* m_userName;
    ElidedLabel* m_userOpenId;
    QPushButton* m_signOut;
};
