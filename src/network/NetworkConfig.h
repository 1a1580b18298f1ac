#pragma once

#include <QString>

// The two server addresses. They default to the local stand-in server and can be
// pointed elsewhere with MORVANE_API_URL and MORVANE_WS_URL; nothing else in the
// program reads those variables.
class NetworkConfig {
public:
    // "http://127.0.0.1:8787" unless MORVANE_API_URL is set; never ends in "/",
    // because request paths beginning with "/" are appended to it as text.
    static QString apiBaseUrl();
    // "ws://127.0.0.1:8787/ws" unless MORVANE_WS_URL is set.
    static QString webSocketUrl();
};
