#pragma once

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;
class SettingsStore;

// "ASCII Extensions": the file masks the automatic transfer mode sends as ASCII
// ([Extensions] of "orvoftp.ini", AsciiExtensions in memory). A bare extension typed ("txt")
// is stored as the mask it stands for ("*.TXT"). "&OK" writes the list first and changes the
// list in memory only when that succeeded; a failed write keeps the window open.
class TfrmASCII : public QDialog
{
    Q_OBJECT

public:
    static constexpr const char* Caption = "ASCII Extensions";

    explicit TfrmASCII(SettingsStore& settings, QWidget* parent = nullptr);

    QLineEdit* txtExtension = nullptr;
    QListWidget* ExtensionList = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    QStringList Entries() const;
    void btnAddClick();
    void btnDeleteClick();
    bool btnOKClick();

private:
    SettingsStore& m_settings;
};
