#pragma once

// What the account screens' tests share: a sign-in model on a client stack and
// finding and checking the screens' widgets by name.

#include "ClientStack.h"

#include "state/chat/AuthViewModel.h"

#include <QString>
#include <QWidget>

inline AuthViewModel::Dependencies depsOf(ClientStack& stack)
{
    return AuthViewModel::Dependencies { &stack.auth, &stack.keychain, &stack.ws, &stack.api };
}

template <typename T>
T* child(QWidget* root, const QString& name)
{
    return root->findChild<T*>(name);
}

// A visible widget inside a window that is not shown: shown as far as its own flags go.
inline bool shown(QWidget* widget)
{
    for (QWidget* w = widget; w && !w->isWindow(); w = w->parentWidget()) {
        if (w->isHidden())
            return false;
    }
    return true;
}
