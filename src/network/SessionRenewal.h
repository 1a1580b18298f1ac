#pragma once

// What a token refresh asked for by the channel or the renewal timer came to.
enum class SessionRenewal {
    Renewed,
    // The server refused the refresh: the session is over.
    Refused,
    // No verdict (server unreachable or failing, keyring locked): keep the session.
    Unreachable,
};

// Why the server ended the session, as the login screen explains it.
enum class SessionEnd {
    // The server answered the refresh without a token and without a refusal.
    SignedOutElsewhere,
    Suspended,
    // The refresh token was refused (HTTP 401), or there was none left to spend.
    Expired,
};
