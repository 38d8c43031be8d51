#include "dialogs/formparts.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace FormParts {

QPushButton* button(const char* name, const QString& text, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QLineEdit* lineEdit(const char* name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QCheckBox* checkBox(const char* name, const QString& text, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QComboBox* comboBox(const char* name, const QStringList& items, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->addItems(items);
    return combo;
}

QButtonGroup* radioGroup(const char* name, const QString& title, const QStringList& items, int columns,
                         QWidget* parent, QGroupBox** frame)
{
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(QString::fromLatin1(name));
    auto* grid = new QGridLayout(box);
    auto* group = new QButtonGroup(box);
    group->setObjectName(QString::fromLatin1(name));
    const int rows = (int(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* radio = new QRadioButton(items[i], box);
        group->addButton(radio, i);
        grid->addWidget(radio, i % rows, i / rows);
    }
    if (frame)
        *frame = box;
    return group;
}

QLayout* withButtons(QWidget* field, std::initializer_list<QPushButton*> buttons)
{
    auto* row = new QHBoxLayout;
    row->addWidget(field, 1);
    for (QPushButton* b : buttons) {
        b->setFixedWidth(28);
        row->addWidget(b);
    }
    return row;
}

void showIndex(QComboBox* combo, int index)
{
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

void showIndex(QButtonGroup* group, int index)
{
    if (QAbstractButton* radio = group->button(index)) {
        radio->setChecked(true);
        return;
    }
    // None checked: an exclusive group cannot uncheck its checked button by itself.
    group->setExclusive(false);
    for (QAbstractButton* radio : group->buttons())
        radio->setChecked(false);
    group->setExclusive(true);
}

int chosenIndex(const QComboBox* combo, int stored)
{
    return combo->currentIndex() >= 0 ? combo->currentIndex() : stored;
}

int chosenIndex(const QButtonGroup* group, int stored)
{
    return group->checkedId() >= 0 ? group->checkedId() : stored;
}

}  // namespace FormParts
