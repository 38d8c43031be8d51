#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class SettingsStore;
class TOrvoListView;

// "Rename Extensions": the rename-on-upload rules, pairs of the local and the remote
// extension ([Rename] "local,remote" of "orvoftp.ini", RenameRules in memory). Typed
// extensions get their leading dot; commas (which would move the split point of the stored
// rule), path separators, blanks and further dots are refused. "&OK" writes first and
// changes the rules in memory only when that succeeded; a failed write keeps the window open.
class TfrmRename : public QDialog
{
    Q_OBJECT

public:
    static constexpr const char* Caption = "Rename Extensions";

    explicit TfrmRename(SettingsStore& settings, QWidget* parent = nullptr);

    QLineEdit* txtLocal = nullptr;
    QLineEdit* txtRemote = nullptr;
    TOrvoListView* RenameList = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    QStringList Rules() const;
    void btnAddClick();
    void btnDeleteClick();
    bool btnOKClick();

private:
    SettingsStore& m_settings;
};
