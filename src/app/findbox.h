#pragma once

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;

// The find box of the file views: a search text and "&Find", searching downward from the
// first row, without case, whole-word or direction options. Modeless, kept while the window
// lives; every "&Find" raises OnFind with the text.
class TFindBox : public QDialog
{
    Q_OBJECT

public:
    explicit TFindBox(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    std::function<void(const QString& text)> OnFind;

    QPushButton* findButton() const { return m_find; }

private:
    QLineEdit* m_text;
    QPushButton* m_find;
};
