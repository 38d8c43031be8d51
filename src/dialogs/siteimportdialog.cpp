#include "dialogs/siteimportdialog.h"

#include "dialogs/sitemanager.h"
#include "platform/core/apperror.h"
#include "platform/core/errorreport.h"
#include "platform/core/prompt.h"
#include "sites/siteimport.h"

#include <QDir>

bool TfrmImport::Execute(TSiteDatabase& sites, const QString& group)
{
    const std::optional<Prompt::ChosenFile> chosen =
        prompts().openFileOfType(QString::fromLatin1(Caption), QDir::homePath(), QString::fromLatin1(Filter));
    if (!chosen)
        return false;
    SiteImportResult result;
    try {
        if (chosen->filterIndex == OlderVersionFilter)
            result = importOlderVersion(sites, group, chosen->file);
        else
            result = importTextFile(sites, group, chosen->file);
    } catch (const AppError& error) {
        showAppError(error);
        return false;
    }
    if (!result.fromServersList || !result.skipped.isEmpty())
        prompts().messageBox(importCompleteText(result), QString::fromLatin1(TfrmSite::Caption),
                             Prompt::Icon::Information, Prompt::Ok);
    return true;
}
