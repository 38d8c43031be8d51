#include "controls/browsedir.h"

#include "controls/browseform.h"

#include <QApplication>

bool TOrvoBrowseDir::Execute(QWidget* parent)
{
    TfrmBrowse dialog(parent);
    dialog.SetCaptionText(CaptionText);
    dialog.SetDirectory(InitialDir);
    dialog.SetReadOnly(ReadOnly);
    const bool ok = dialog.exec() == QDialog::Accepted;
    Directory = ok ? dialog.Directory() : QString();
    return ok;
}

std::optional<QString> TOrvoBrowseDir::pick(const QString& caption, const QString& startDirectory)
{
    TOrvoBrowseDir picker;
    picker.CaptionText = caption;
    picker.InitialDir = startDirectory;
    if (!picker.Execute(QApplication::activeWindow()))
        return std::nullopt;
    return picker.Directory;
}
