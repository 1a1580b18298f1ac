#pragma once

#include <QList>
#include <QWidget>

class ColorPalette;
class GroupRoleDetailViewModel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Spinner;

// The role editor: name, colour from the palette, five permission switches and
// the create or save button. Failures show in the error alert.
class GroupRoleDetailView : public QWidget {
    Q_OBJECT
public:
    // Takes ownership of the view model.
    explicit GroupRoleDetailView(GroupRoleDetailViewModel* viewModel, QWidget* parent = nullptr);

    GroupRoleDetailViewModel* viewModel() const { return m_viewModel; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void retranslate();
    void updateState();

    GroupRoleDetailViewModel* m_viewModel;
    QLabel* m_basic;
    QLineEdit* m_name;
    QLabel* m_colorCaption;
    ColorPalette* m_palette;
    QLabel* m_permissionsTitle;
    QList<QCheckBox*> m_switches;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_save;
    Spinner* m_spinner;
};
