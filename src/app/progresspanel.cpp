#include "app/progresspanel.h"

#include <QPainter>

TProgressPanel::TProgressPanel(QWidget* parent)
    : QWidget(parent)
{
}

void TProgressPanel::setProgress(int percent, const QString& text)
{
    m_percent = percent;
    m_text = text;
    update();
}

void TProgressPanel::setText(const QString& text)
{
    m_text = text;
    update();
}

void TProgressPanel::clear()
{
    m_percent = -1;
    m_text.clear();
    update();
}

QSize TProgressPanel::sizeHint() const
{
    return {200, fontMetrics().height() + 4};
}

void TProgressPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (width() <= 5)
        return;
    if (m_percent >= 0) {
        const int bar = (width() * qBound(0, m_percent, 100) + 50) / 100;
        painter.fillRect(QRect(0, 0, bar, height()), Qt::yellow);
    }
    painter.setPen(palette().windowText().color());
    painter.drawText(rect().adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, m_text);
}
