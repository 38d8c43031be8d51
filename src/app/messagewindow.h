#pragma once

#include <QDialog>
#include <QStringList>

// A server's or directory's message: a read-only text and an "&OK" button, created anew for
// each message and freed when closed.
class TMessageWindow : public QDialog
{
    Q_OBJECT

public:
    TMessageWindow(const QString& title, const QStringList& lines, QWidget* parent = nullptr);
    QString text() const;

private:
    class QPlainTextEdit* m_text;
};
