#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The body of a failed reply. Its message is the "error" text of a REST error
// ({"error": "..."}) or the message of a procedure error
// ({"error": {"json": {"message": "..."}}}).
struct ErrorResponse {
    std::optional<QString> error;
    // A sign-in refused because the account's second factor is missing or wrong
    // ("mfaRequired": true beside the error).
    bool mfaRequired = false;

    // error is absent when the body is not a JSON object or carries no such message.
    static ErrorResponse fromBody(const QByteArray& body);
};
