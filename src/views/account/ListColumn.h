#pragma once

#include "state/common/ScreenError.h"

#include <QWidget>

#include <optional>

class ListStateOverlay;
class QLabel;

// The frame of a list column of the account section: a title over a scrolling
// list, with a spinner, a failed load's reason and retry, or the empty text
// centred over it. The screen hands in its list, fills it and says how its load
// went. The parts are named after namePrefix ("<prefix>Title", "<prefix>List",
// and those of ListStateOverlay).
class ListColumn : public QWidget {
    Q_OBJECT
public:
    ListColumn(const QString& namePrefix, const QString& emptyIcon, QWidget* list, QWidget* parent);

    void setTexts(const QString& title, const QString& emptyText);
    void showState(bool loading, bool empty, const std::optional<ScreenError>& failure);

Q_SIGNALS:
    void retryRequested();

private:
    QLabel* m_title;
    ListStateOverlay* m_overlay;
};
