// The preferences window's controls to and from the values, and its buttons.
#include "dialogs/preferenceswindow.h"

#include "controls/orvoview.h"
#include "dialogs/checkrange.h"
#include "dialogs/formparts.h"
#include "platform/core/apperror.h"
#include "platform/core/errorreport.h"
#include "platform/core/inidocument.h"
#include "platform/core/prompt.h"
#include "platform/desktop/sound.h"
#include "settings/settingskeys.h"
#include "settings/settingsstore.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace FormParts;

namespace {

constexpr int WavChoice = 6;  // "<WAV File>"

// A number field as the file has it: the typed text when there is one, else the number.
QString numberText(const std::optional<QString>& typed, int value)
{
    return typed ? *typed : QString::number(value);
}

// The number a typed text reads back as (the key's default when it is none).
int typedNumber(const QString& text, SettingKey key)
{
    return IniDocument::parseInteger(text.toUtf8()).value_or(settingInfo(key).number);
}

QString folderOf(const QString& file)
{
    return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
}

}  // namespace

void TfrmPref::ShowValues(const PreferencesValues& v)
{
    m_loading = true;
    const ConfigData& c = v.config;
    // General
    txtEmail->setText(c.Email);
    txtLocalPath->setText(c.Path);  // as stored, also when that folder is not there right now
    chkLog->setChecked(c.Log);
    txtLogFile->setText(v.view.LogFile);
    (c.DefaultViewer ? radDefault : radViewer)->setChecked(true);
    txtViewer->setText(c.Viewer);
    // Advanced
    txtTimeout->setText(numberText(v.typed.Delay, c.Delay));
    txtRetry->setText(numberText(v.typed.Retry, c.Retry));
    txtRetryDelay->setText(numberText(v.typed.RetryDelay, c.RetryDelay));
    showIndex(cboDoubleClick, c.DoubleClick);
    showIndex(cboConnectSound, c.ConnectSound);
    txtConnectWAV->setText(c.ConnectWav);
    showIndex(cboTransferSound, c.TransferSound);
    txtTransferWAV->setText(c.TransferWav);
    chkShowSiteManager->setChecked(c.ShowSiteManager);
    // View
    showIndex(grpSortBy, c.AutoSort);
    showIndex(grpSortAlpha, c.AlphaSort ? 1 : 0);
    chkLocalRefresh->setChecked(c.ReceiveRefresh);
    chkAutoSizeLocal->setChecked(c.LocalAutoSize);
    chkRemoteRefresh->setChecked(c.AutoRefresh);
    chkAutoSizeRemote->setChecked(c.RemoteAutoSize);
    chkSelectLine->setChecked(v.view.SelectLine);
    chkHideHeader->setChecked(v.view.HideHeader);
    // Options
    const std::pair<QCheckBox*, bool> switches[] = {
        {chkConfirmDelete, c.ConfirmDel},  {chkConfirmExit, c.ExitWarn},  {chkConfirmQueue, c.ConfirmQueue},
        {chkConfirmMove, c.ConfirmMove},   {chkPreserveDate, c.PreserveDate}, {chkHide, c.Hide},
        {chkShowHidden, c.ShowHidden},     {chkAutoSave, c.AutoSave},  {chkShowMsg, c.ShowMessages},
        {chkShowDirMsg, c.MessageWin},     {chkIdle, c.Antiidle},      {chkFreeSpace, c.FreeSpace},
        {chkRestoreState, c.RestoreState}, {chkEnableSkip, v.SkipEnabled}, {chkSkipNullFile, c.SkipNull},
        {chkSkipEmptyDir, c.SkipDir},      {chkDDEPrompt, c.DDEPrompt}, {chkDDEFilter, c.DDEFilter},
        {chkDDEShow, c.DDEShow},           {chkEnableProxy, c.EnableProxy}, {chkPasvMode, c.UsePasv},
    };
    for (const auto& [box, on] : switches)
        box->setChecked(on);
    txtIdleInterval->setText(numberText(v.typed.IdleTime, c.IdleTime));
    // Transfer
    showIndex(cboDuplicateLocal, c.ResumeMode);
    showIndex(cboDuplicateRemote, c.UploadMode);
    showIndex(cboTransferOption, c.XferOption);
    showIndex(grpFileCase, c.ForceLowerCase);
    showIndex(grpTransferSpeed, c.ShowCps ? 1 : 0);
    // Skip List, Editors
    SkipList->clear();
    SkipList->addItems(v.SkipList);
    txtEditor->setText(c.Editor);
    EditorList->Clear();
    for (const EditorRule& rule : v.Editors)
        EditorList->AddItem(rule.extensions, {rule.program}, -1);
    // DDE
    txtService->setText(c.DDEService);
    txtTopic->setText(c.DDETopic);
    txtCommand->setText(c.DDECommand);
    // Proxy
    txtProxyHost->setText(v.view.ProxyHost);
    txtProxyPort->setText(numberText(v.typed.ProxyPort, v.view.ProxyPort));
    txtProxyUser->setText(v.view.ProxyUser);
    txtProxyPass->setText(v.view.ProxyPass);
    showIndex(grpPasvMode, c.ProxyMode);
    MemoProxy->setPlainText(v.NonProxyHosts.join(QLatin1Char('\n')));
    m_loading = false;
    updateEnabled();
}

PreferencesValues TfrmPref::Values() const
{
    PreferencesValues v = m_initial;  // BuffSize and what no control shows stay as they were
    ConfigData& c = v.config;
    const ConfigData& stored = m_initial.config;
    c.Email = txtEmail->text();
    c.Path = txtLocalPath->text();
    c.Log = chkLog->isChecked();
    v.view.LogFile = txtLogFile->text();
    c.DefaultViewer = radDefault->isChecked();
    c.Viewer = txtViewer->text();

    const std::tuple<std::optional<QString>*, qint32*, const QLineEdit*, SettingKey> numbers[] = {
        {&v.typed.Delay, &c.Delay, txtTimeout, SettingKey::Delay},
        {&v.typed.Retry, &c.Retry, txtRetry, SettingKey::Retry},
        {&v.typed.RetryDelay, &c.RetryDelay, txtRetryDelay, SettingKey::RetryDelay},
        {&v.typed.IdleTime, &c.IdleTime, txtIdleInterval, SettingKey::IdleTime},
        {&v.typed.ProxyPort, &v.view.ProxyPort, txtProxyPort, SettingKey::ProxyPort},
    };
    for (const auto& [typed, number, field, key] : numbers) {
        *typed = field->text();
        *number = typedNumber(field->text(), key);
    }

    c.DoubleClick = chosenIndex(cboDoubleClick, stored.DoubleClick);
    c.ConnectSound = chosenIndex(cboConnectSound, stored.ConnectSound);
    c.ConnectWav = txtConnectWAV->text();
    c.TransferSound = chosenIndex(cboTransferSound, stored.TransferSound);
    c.TransferWav = txtTransferWAV->text();
    c.ShowSiteManager = chkShowSiteManager->isChecked();

    c.AutoSort = chosenIndex(grpSortBy, stored.AutoSort);
    c.AlphaSort = chosenIndex(grpSortAlpha, stored.AlphaSort ? 1 : 0) == 1;
    c.ReceiveRefresh = chkLocalRefresh->isChecked();
    c.LocalAutoSize = chkAutoSizeLocal->isChecked();
    c.AutoRefresh = chkRemoteRefresh->isChecked();
    c.RemoteAutoSize = chkAutoSizeRemote->isChecked();
    v.view.SelectLine = chkSelectLine->isChecked();
    v.view.HideHeader = chkHideHeader->isChecked();

    v.view.FontName = m_fontName;
    v.view.FontSize = m_fontSize;
    const std::pair<bool*, const QCheckBox*> switches[] = {
        {&c.ConfirmDel, chkConfirmDelete},  {&c.ExitWarn, chkConfirmExit},    {&c.ConfirmQueue, chkConfirmQueue},
        {&c.ConfirmMove, chkConfirmMove},   {&c.PreserveDate, chkPreserveDate}, {&c.Hide, chkHide},
        {&c.ShowHidden, chkShowHidden},     {&c.AutoSave, chkAutoSave},       {&c.ShowMessages, chkShowMsg},
        {&c.MessageWin, chkShowDirMsg},     {&c.Antiidle, chkIdle},           {&c.FreeSpace, chkFreeSpace},
        {&c.RestoreState, chkRestoreState}, {&v.SkipEnabled, chkEnableSkip},  {&c.SkipNull, chkSkipNullFile},
        {&c.SkipDir, chkSkipEmptyDir},      {&c.DDEPrompt, chkDDEPrompt},     {&c.DDEFilter, chkDDEFilter},
        {&c.DDEShow, chkDDEShow},           {&c.EnableProxy, chkEnableProxy}, {&c.UsePasv, chkPasvMode},
    };
    for (const auto& [field, box] : switches)
        *field = box->isChecked();

    c.ResumeMode = chosenIndex(cboDuplicateLocal, stored.ResumeMode);
    c.UploadMode = chosenIndex(cboDuplicateRemote, stored.UploadMode);
    c.XferOption = chosenIndex(cboTransferOption, stored.XferOption);
    c.ForceLowerCase = chosenIndex(grpFileCase, stored.ForceLowerCase);
    c.ShowCps = chosenIndex(grpTransferSpeed, stored.ShowCps ? 1 : 0) == 1;

    v.SkipList.clear();
    for (int i = 0; i < SkipList->count(); ++i)
        v.SkipList << SkipList->item(i)->text();
    c.Editor = txtEditor->text();
    v.Editors.clear();
    for (const TListItem& row : EditorList->Items())
        v.Editors.append({row.Caption, row.columnText(1)});

    c.DDEService = txtService->text();
    c.DDETopic = txtTopic->text();
    c.DDECommand = txtCommand->text();

    v.view.ProxyHost = txtProxyHost->text();
    v.view.ProxyUser = txtProxyUser->text();
    v.view.ProxyPass = txtProxyPass->text();
    c.ProxyMode = chosenIndex(grpPasvMode, stored.ProxyMode);
    v.NonProxyHosts = MemoProxy->toPlainText().split(QLatin1Char('\n'));
    return v;
}

void TfrmPref::wireFields()
{
    connect(chkLog, &QCheckBox::toggled, this, &TfrmPref::updateEnabled);
    connect(cboConnectSound, &QComboBox::currentIndexChanged, this, &TfrmPref::updateEnabled);
    connect(cboTransferSound, &QComboBox::currentIndexChanged, this, &TfrmPref::updateEnabled);
    connect(txtIdleInterval, &QLineEdit::textChanged, this, [this] { numberEdited(txtIdleInterval, 0, 255); });
    connect(txtProxyPort, &QLineEdit::textChanged, this, [this] { numberEdited(txtProxyPort, 1, 65535); });
    connect(txtSkipName, &QLineEdit::textChanged, this,
            [this](const QString& text) { btnSkipAdd->setEnabled(!text.isEmpty()); });
    connect(SkipList, &QListWidget::itemSelectionChanged, this,
            [this] { btnSkipDelete->setEnabled(!SkipList->selectedItems().isEmpty()); });
    for (QLineEdit* field : {txtEditExtension, txtEditEditor}) {
        connect(field, &QLineEdit::textChanged, this, [this] {
            btnEditorAdd->setEnabled(!txtEditExtension->text().isEmpty() && !txtEditEditor->text().isEmpty());
        });
    }
    EditorList->OnSelectionChanged = [this](TOrvoListView*) { btnEditorDelete->setEnabled(EditorList->SelCount() > 0); };
    for (QPushButton* b : {btnSkipAdd, btnSkipDelete, btnEditorAdd, btnEditorDelete})
        b->setEnabled(false);
}

void TfrmPref::updateEnabled()
{
    txtLogFile->setEnabled(chkLog->isChecked());
    btnLogFile->setEnabled(chkLog->isChecked());
    // A WAV field keeps its text while another sound is chosen; it is saved all the same.
    const bool connectWav = cboConnectSound->currentIndex() == WavChoice;
    txtConnectWAV->setEnabled(connectWav);
    btnConnectWAV->setEnabled(connectWav);
    const bool transferWav = cboTransferSound->currentIndex() == WavChoice;
    txtTransferWAV->setEnabled(transferWav);
    btnTransferWAV->setEnabled(transferWav);
}

void TfrmPref::numberEdited(QLineEdit* field, qint64 low, qint64 high)
{
    // The text stays as typed; an invalid one reads back as the key's default.
    if (!m_loading)
        CheckRange(field->text(), low, high);
}

bool TfrmPref::btnOKClick()
{
    const PreferencesValues values = Values();
    try {
        writePreferences(m_settings.file(), values);
    } catch (const AppError& error) {
        showAppError(error);  // the window stays open with everything typed
        return false;
    }
    m_settings.reload();
    accept();
    return true;
}

void TfrmPref::btnFontClick()
{
    QFont font = pnlFont->font();
    const auto chosen = prompts().chooseFont(QStringLiteral("Font"), {font.family(), font.pointSize()});
    if (!chosen || chosen->family.isEmpty())
        return;
    font.setFamily(chosen->family);
    if (chosen->pointSize > 0)
        font.setPointSize(chosen->pointSize);
    pnlFont->setFont(font);
    m_fontName = chosen->family;
    m_fontSize = chosen->pointSize > 0 ? chosen->pointSize : font.pointSize();
}

void TfrmPref::btnLocalPathClick()
{
    if (const auto folder = prompts().pickFolder(QStringLiteral("Select Default Local Path"), txtLocalPath->text()))
        txtLocalPath->setText(*folder);
}

void TfrmPref::btnLogFileClick()
{
    const auto folder = prompts().pickFolder(QStringLiteral("Select Log File Directory"), folderOf(txtLogFile->text()));
    if (!folder || folder->isEmpty())
        return;
    const QString separator = folder->endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/");
    txtLogFile->setText(*folder + separator + QStringLiteral("orvoftp.log"));
}

void TfrmPref::chooseProgram(QLineEdit* field, const QString& caption)
{
    if (const auto program = prompts().openFile(caption, folderOf(field->text()), QString::fromLatin1(ProgramFilter)))
        field->setText(*program);
}

void TfrmPref::chooseWav(QLineEdit* field)
{
    if (const auto file = prompts().openFile(QStringLiteral("WAV file"), folderOf(field->text()),
                                             QStringLiteral("Wav files (*.wav)|*.wav")))
        field->setText(*file);
}

void TfrmPref::PlaySound(const QComboBox* choice, const QLineEdit* wavFile)
{
    Sound::playSetting(choice->currentIndex(), wavFile->text());
}

void TfrmPref::btnSkipAddClick()
{
    if (txtSkipName->text().isEmpty())
        return;
    SkipList->addItem(txtSkipName->text());
    txtSkipName->clear();
    btnSkipAdd->setEnabled(false);
}

void TfrmPref::btnSkipDeleteClick()
{
    qDeleteAll(SkipList->selectedItems());
    btnSkipDelete->setEnabled(false);
}

void TfrmPref::btnEditorAddClick()
{
    const QString extensions = txtEditExtension->text();
    const QString editor = txtEditEditor->text();
    if (extensions.isEmpty() || editor.isEmpty())
        return;
    // The entry is stored as "extensions,program" and split at its first comma.
    if (extensions.contains(QLatin1Char(','))) {
        prompts().messageBox(QStringLiteral("Separate the extensions with \";\": a comma ends the list of "
                                            "extensions (\"%1\").")
                                 .arg(extensions),
                             QString::fromLatin1(Caption), Prompt::Icon::Error, Prompt::Ok);
        return;
    }
    EditorList->AddItem(extensions, {editor}, -1);
    txtEditExtension->clear();
    txtEditEditor->clear();
    btnEditorAdd->setEnabled(false);
}

void TfrmPref::btnEditorDeleteClick()
{
    EditorList->DeleteItems(EditorList->SelectedRows());
    btnEditorDelete->setEnabled(false);
}
