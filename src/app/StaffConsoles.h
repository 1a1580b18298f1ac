#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <optional>

class APIClient;
class AuthViewModel;

// The windows of the two staff consoles for the signed-in user: offered by role,
// opened on demand (an open one is raised), and closed when the user signs out,
// another user signs in, or the user no longer holds the role. One per sign-in
// state, which owns it.
class StaffConsoles : public QObject {
    Q_OBJECT
public:
    enum class Console { Administration, Operator };

    // The consoles of auth's user; made on first use, talking through api.
    static StaffConsoles* of(AuthViewModel* auth, APIClient* api = nullptr);
    ~StaffConsoles() override;

    bool isOffered(Console console) const;
    void open(Console console);
    // The console's window while it is open.
    QWidget* window(Console console) const;

Q_SIGNALS:
    // The user's role or sign-in changed: the entries may come or go.
    void offersChanged();

private:
    StaffConsoles(AuthViewModel* auth, APIClient& api);
    void closeRevoked();
    std::optional<qint64> signedInUserId() const;

    AuthViewModel* m_auth;
    APIClient& m_api;
    QPointer<QWidget> m_admin;
    QPointer<QWidget> m_operator;
    // The signed-in user, whose data the open consoles hold (sessions, counters,
    // drafts), whatever role the next one holds.
    std::optional<qint64> m_owner;
};
