#pragma once

#include <QWidget>

// Status panel 1: a yellow gauge of the transfer's percentage with the progress text drawn
// over it, 2 pixels in from the left and the top.
class TProgressPanel : public QWidget
{
    Q_OBJECT

public:
    explicit TProgressPanel(QWidget* parent = nullptr);

    // A percentage below 0 draws no gauge (no progress tick has happened yet).
    void setProgress(int percent, const QString& text);
    void setText(const QString& text);
    void clear();
    int percent() const { return m_percent; }
    const QString& text() const { return m_text; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_percent = -1;
    QString m_text;
};
