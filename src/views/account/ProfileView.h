#pragma once

#include <QPointer>
#include <QWidget>

class AuthService;
class AuthViewModel;
class AvatarView;
class ElidedLabel;
class ErrorAlert;
class ProfileEditView;
class ProfileViewModel;
class QLabel;
class QPushButton;
class QListView;
class SessionListModel;
class SessionRow;

// The signed-in user's own page: a header card that follows the user live, the
// editor sheet, the sign-in sessions with sign-out for every session but this
// machine's, links to two-factor and devices, and sign-out.
class ProfileView : public QWidget {
    Q_OBJECT
public:
    ProfileView(AuthViewModel* authViewModel, AuthService& authService, QWidget* parent = nullptr);
    explicit ProfileView(AuthViewModel* authViewModel, QWidget* parent = nullptr);

    ProfileViewModel* viewModel() const { return m_viewModel; }
    // The editor sheet while it is open.
    ProfileEditView* editSheet() const { return m_editSheet; }
    void openEditor();
    void logout();

private:
    void retranslate();
    void updateUser();
    void fitSessions();
    void showError();
    void openTwoFactor();
    void openDevices();
    // An icon and a caption text in the header's detail line; the row widget holds both.
    QWidget* detail(const char* objectName, const char* symbol, QLabel** text);

    AuthViewModel* m_auth;
    AuthService& m_authService;
    ProfileViewModel* m_viewModel;
    QWidget* m_content;
    AvatarView* m_avatar;
    ElidedLabel* m_name;
    QLabel* m_openId;
    QLabel* m_bio;
    QWidget* m_emailRow;
    QWidget* m_genderRow;
    QWidget* m_regionRow;
    QLabel* m_email;
    QLabel* m_gender;
    QLabel* m_region;
    QPushButton* m_edit;
    QLabel* m_sessionsHeading;
    SessionListModel* m_sessionModel;
    SessionRow* m_sessionRows;
    QListView* m_sessionList;
    QPushButton* m_twoFactor;
    QPushButton* m_devices;
    QPushButton* m_logout;
    ProfileEditView* m_editSheet = nullptr;
    // A sheet closed while its save runs, until that save ends: opening the editor
    // again brings it back rather than a fresh one with the values from before.
    QPointer<ProfileEditView> m_savingSheet;
    ErrorAlert* m_alert;
};
