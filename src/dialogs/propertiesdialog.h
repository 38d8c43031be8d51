#pragma once

#include "engine/ftptypes.h"
#include "session/fileentry.h"

#include <QDialog>
#include <array>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

// The permission bits of a Unix mode word: the nine boxes (owner, group, world; read,
// write, execute) and the set-user-id (4), set-group-id (2) and sticky (1) bits.
struct PermissionBits
{
    std::array<bool, 9> boxes{};
    int special = 0;
};

// The bits of a ten-character Unix mode ("drwxr-sr-t"); nothing for any other word. "s" and
// "t" are execute plus their special bit, "S" and "T" the special bit alone.
std::optional<PermissionBits> UnixModeBits(const QString& word);
// The value SITE CHMOD takes: the three octal digits written as a decimal number without
// leading zeros ("755", "44", "0"), led by the special digit when one is set ("1775", "4044").
QString PermissionValue(const PermissionBits& bits);

// "Properties": name, type, size and date of one entry; for a remote entry also owner,
// group and the permission boxes with their value, for a local one the attributes (read
// only). The dialog only shows and edits; the window sends the new value.
class TfrmProperties : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmProperties(QWidget* parent = nullptr);

    // From the raw lines of the listing shown: the first line that parses with the server's
    // format and names `caption` exactly. False (the fields stay empty) when none does.
    bool FillRemote(const QStringList& rawLines, TFTPServerType serverType, const QString& caption);
    // A local entry, with the texts of the view's size and date columns and its full path.
    void FillLocal(const FileEntry& entry, const QString& sizeColumn, const QString& dateColumn, const QString& path);

    bool IsRemote() const { return m_remote; }
    // The boxes can be changed: a remote entry whose mode word is a Unix mode.
    bool PermissionsEditable() const { return m_editable; }
    QString Value() const;
    const QString& InitialValue() const { return m_initial; }
    // What OK should send: the new value of an editable remote entry when it differs from
    // the one shown at first.
    std::optional<QString> ChangedValue() const;

    QLabel* lblName = nullptr;
    QLabel* lblType = nullptr;
    QLabel* lblSize = nullptr;
    QLabel* lblDate = nullptr;
    QLabel* lblOwner = nullptr;
    QLabel* lblGroupCaption = nullptr;
    QLabel* lblPermission = nullptr;
    QGroupBox* grpOwner = nullptr;
    QGroupBox* grpGroup = nullptr;
    QGroupBox* grpWorld = nullptr;
    // Owner, group, world; read, write, execute.
    std::array<QCheckBox*, 9> chkPermission{};
    QLabel* pnlPriv = nullptr;
    QGroupBox* grpWin = nullptr;
    QCheckBox* chkReadOnly = nullptr;
    QCheckBox* chkHidden = nullptr;
    QCheckBox* chkSystem = nullptr;
    QCheckBox* chkArchive = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* Button1 = nullptr;

private:
    void build();
    QGroupBox* permissionGroup(const QString& title, int first);
    void setRemoteRowsVisible(bool visible);
    void showBits(const PermissionBits& bits, bool editable);
    void updateValue();

    bool m_remote = false;
    bool m_editable = false;
    int m_special = 0;
    QString m_initial;
    std::array<QLabel*, 2> m_remoteCaptions{};  // "Owner:", "Group:"
};
