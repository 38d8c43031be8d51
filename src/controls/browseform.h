#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

// The "Browse" dialog of the folder picker: a caption line, the path field, the folder list
// (the levels from "/" down to the current folder, then its sub-folders) and the drive box,
// which on Linux lists the mounted volumes by their root folders.
class TfrmBrowse : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmBrowse(QWidget* parent = nullptr);

    QLabel* lblCaption = nullptr;
    QLineEdit* txtPath = nullptr;
    QListWidget* DirectoryBox = nullptr;
    QComboBox* DriveBox = nullptr;

    void SetCaptionText(const QString& text);
    // Moves the folder list to `dir`, or to its nearest existing parent (the home directory
    // when nothing of it exists).
    void SetDirectory(const QString& dir);
    // The folder list's current folder: what "&OK" returns, whatever the path field holds.
    QString Directory() const { return m_directory; }
    void SetReadOnly(bool readOnly);

    // The volumes the drive box offers (their root folders); QStorageInfo's mounted
    // volumes unless set.
    void SetDrives(const QStringList& roots);
    QStringList Drives() const { return m_drives; }
    // The drive box's choice: moves to the volume when its root can be read; otherwise
    // "Unable to access " with the root, Retry (again while it stays unusable) or Cancel
    // (back to the last drive chosen).
    void DriveBoxChange(int index);
    // Opens a row of the folder list (double click or Enter).
    void DirectoryBoxOpen(QListWidgetItem* item);

    static QStringList mountedVolumes();

private:
    void fillFolderList();
    void showDriveOf(const QString& dir);

    QString m_directory;
    QStringList m_drives;
    int m_lastDrive = -1;
};
