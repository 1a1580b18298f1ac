#pragma once

#include "models/OperatorSession.h"

#include <QWidget>

// One customer session in the operator's lists: the initial in a circle, the
// name and last message, the time as sent and, in history, the rating in stars.
class OperatorSessionRow : public QWidget {
    Q_OBJECT
public:
    OperatorSessionRow(const OperatorSession& session, bool showRating, QWidget* parent = nullptr);

    // The name shown: the customer's, or "operator.customer" when there is none.
    static QString displayName(const OperatorSession& session);
    // The filled stars shown, or -1 when the row shows none.
    int filledStars() const { return m_filledStars; }

private:
    int m_filledStars = -1;
};
