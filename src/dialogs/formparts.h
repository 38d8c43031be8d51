#pragma once

#include <QStringList>

class QAbstractButton;
class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLayout;
class QLineEdit;
class QPushButton;
class QWidget;

// Small builders shared by the settings windows: named controls (tests and screen readers
// find them by their design names) and the index rules of drop-downs and radio groups.
namespace FormParts {

QPushButton* button(const char* name, const QString& text, QWidget* parent);
QLineEdit* lineEdit(const char* name, QWidget* parent);
QCheckBox* checkBox(const char* name, const QString& text, QWidget* parent);
QComboBox* comboBox(const char* name, const QStringList& items, QWidget* parent);
// A frame titled `title` with one radio button per item (ids 0..n-1) in `columns` columns.
QButtonGroup* radioGroup(const char* name, const QString& title, const QStringList& items, int columns,
                         QWidget* parent, QGroupBox** frame);
// A field with a narrow button beside it ("?", "!").
QLayout* withButtons(QWidget* field, std::initializer_list<QPushButton*> buttons);

// Shows `index`; an index the control has no item for shows none, so that the stored value
// is kept unless the user picks one (see chosenIndex).
void showIndex(QComboBox* combo, int index);
void showIndex(QButtonGroup* group, int index);
// The index picked, or `stored` while none is.
int chosenIndex(const QComboBox* combo, int stored);
int chosenIndex(const QButtonGroup* group, int stored);

}  // namespace FormParts
