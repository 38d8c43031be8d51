#pragma once

#include "controls/listitem.h"
#include "session/fileentry.h"

#include <QWidget>
#include <vector>

class QComboBox;
class QLabel;
class LocalDirectoryModel;
class RemoteDirectoryModel;
class TOrvoListView;
struct ConfigData;

// One pane of the main window: a path box, the file list and the count label below it,
// showing a local or a remote directory model. The panel formats the model's typed entries
// into rows (each row's Tag is its entry's index) and never parses what it shows; it sorts
// and fits the columns by the preferences.
class FilePanel : public QWidget
{
    Q_OBJECT

public:
    FilePanel(LocalDirectoryModel& model, const ConfigData& config, QWidget* parent = nullptr);
    FilePanel(RemoteDirectoryModel& model, const ConfigData& config, QWidget* parent = nullptr);

    bool IsRemote() const { return m_remote != nullptr; }
    QComboBox* PathBox() const { return m_pathBox; }
    TOrvoListView* View() const { return m_view; }
    QLabel* CountLabel() const { return m_count; }

    // The entry a row shows; nullptr for the parent entry and for no row.
    const FileEntry* EntryAt(int row) const;
    bool IsParentRow(int row) const;
    // The selected entries in view order, the parent entry left out.
    std::vector<FileEntry> SelectedEntries() const;

    // "N folder(s), M file(s) listed [mask]" of the model.
    QString ListedSummary() const;
    // "N folder(s), M file(s) selected [B bytes]": folders are selected directories, every
    // other selected row but ".." counts as a file with its size.
    QString SelectionSummary() const;
    // The count label: the selection's summary when rows are selected, else the listed one.
    void UpdateCountLabel();
    // The label of the pane the commands act on stands out.
    void SetActive(bool active);

    // Sorts the rows by the AutoSort preference (AlphaSort mixes kinds).
    void SortRows();
    // The rows again from the model (after the view font or a preference changed).
    void Rebuild();

    // The path box again from the model (a level that could not be entered is offered
    // as it is now).
    void RebuildPathBox();
    // The path a path-box item stands for (local: the level's path; remote: the directory).
    QString PathOfItem(int index) const;

private:
    void build();
    void onReset();
    void onArrived();
    void onFinished();
    void appendRows(size_t from);
    TListItem rowOf(size_t index) const;
    TListItem parentRow() const;
    void rebuildLocalPathBox();
    void rebuildRemotePathBox();

    LocalDirectoryModel* m_local = nullptr;
    RemoteDirectoryModel* m_remote = nullptr;
    const ConfigData& m_config;
    QComboBox* m_pathBox = nullptr;
    TOrvoListView* m_view = nullptr;
    QLabel* m_count = nullptr;
    size_t m_shown = 0;       // entries already made rows during a listing
    bool m_filling = false;   // the view's updates are suspended while rows arrive
};
