#pragma once

#include <QWidget>

#include <memory>

class AlertLabel;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QStackedWidget;
class QToolButton;
class SearchResultModel;
class SearchViewModel;

// The Ctrl+F sheet: a keyword searched on Return, the server's contacts, groups
// and messages in three sections, and the error of the last failed search.
// The results are for reading: no row reacts to a click or opens anything.
class SearchView : public QWidget {
    Q_OBJECT
public:
    explicit SearchView(std::unique_ptr<SearchViewModel> viewModel, QWidget* parent = nullptr);
    ~SearchView() override;

    SearchViewModel* viewModel() const { return m_viewModel.get(); }

Q_SIGNALS:
    // The close button or Escape.
    void dismissRequested();

private:
    void retranslate();
    void updateContent();
    void rebuildResults();

    std::unique_ptr<SearchViewModel> m_viewModel;
    QLabel* m_title;
    QPushButton* m_closeButton;
    QLineEdit* m_field;
    QToolButton* m_clearButton;
    QStackedWidget* m_content;
    QWidget* m_searchingPage;
    QWidget* m_hintPage;
    QLabel* m_hintText;
    QWidget* m_resultsPage;
    SearchResultModel* m_model;
    QListView* m_resultsList;
    QLabel* m_noResults;
    AlertLabel* m_error;
};
