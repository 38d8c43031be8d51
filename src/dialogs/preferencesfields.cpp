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

TfrmPref::Fields TfrmPref::fields(PreferencesValues& v) const
{
    ConfigData& c = v.config;
    Fields f;
    f.texts = {
        {txtEmail, &c.Email},     {txtLocalPath, &c.Path},  {txtLogFile, &v.view.LogFile}, {txtViewer, &c.Viewer},
        {txtConnectWAV, &c.ConnectWav}, {txtTransferWAV, &c.TransferWav}, {txtEditor, &c.Editor},
        {txtService, &c.DDEService}, {txtTopic, &c.DDETopic}, {txtCommand, &c.DDECommand},
        {txtProxyHost, &v.view.ProxyHost}, {txtProxyUser, &v.view.ProxyUser}, {txtProxyPass, &v.view.ProxyPass},
    };
    f.numbers = {
        {txtTimeout, &v.typed.Delay, &c.Delay, SettingKey::Delay},
        {txtRetry, &v.typed.Retry, &c.Retry, SettingKey::Retry},
        {txtRetryDelay, &v.typed.RetryDelay, &c.RetryDelay, SettingKey::RetryDelay},
        {txtIdleInterval, &v.typed.IdleTime, &c.IdleTime, SettingKey::IdleTime},
        {txtProxyPort, &v.typed.ProxyPort, &v.view.ProxyPort, SettingKey::ProxyPort},
    };
    f.switches = {
        {chkLog, &c.Log},                   {radDefault, &c.DefaultViewer},     {chkShowSiteManager, &c.ShowSiteManager},
        {chkLocalRefresh, &c.ReceiveRefresh}, {chkAutoSizeLocal, &c.LocalAutoSize}, {chkRemoteRefresh, &c.AutoRefresh},
        {chkAutoSizeRemote, &c.RemoteAutoSize}, {chkSelectLine, &v.view.SelectLine}, {chkHideHeader, &v.view.HideHeader},
        {chkConfirmDelete, &c.ConfirmDel},  {chkConfirmExit, &c.ExitWarn},       {chkConfirmQueue, &c.ConfirmQueue},
        {chkConfirmMove, &c.ConfirmMove},   {chkPreserveDate, &c.PreserveDate},  {chkHide, &c.Hide},
        {chkShowHidden, &c.ShowHidden},     {chkAutoSave, &c.AutoSave},          {chkShowMsg, &c.ShowMessages},
        {chkShowDirMsg, &c.MessageWin},     {chkIdle, &c.Antiidle},              {chkFreeSpace, &c.FreeSpace},
        {chkRestoreState, &c.RestoreState}, {chkEnableSkip, &v.SkipEnabled},     {chkSkipNullFile, &c.SkipNull},
        {chkSkipEmptyDir, &c.SkipDir},      {chkDDEPrompt, &c.DDEPrompt},        {chkDDEFilter, &c.DDEFilter},
        {chkDDEShow, &c.DDEShow},           {chkEnableProxy, &c.EnableProxy},    {chkPasvMode, &c.UsePasv},
    };
    f.choices = {
        {cboDoubleClick, &c.DoubleClick}, {cboConnectSound, &c.ConnectSound}, {cboTransferSound, &c.TransferSound},
        {cboDuplicateLocal, &c.ResumeMode}, {cboDuplicateRemote, &c.UploadMode}, {cboTransferOption, &c.XferOption},
    };
    f.groups = {{grpSortBy, &c.AutoSort}, {grpFileCase, &c.ForceLowerCase}, {grpPasvMode, &c.ProxyMode}};
    f.flagGroups = {{grpSortAlpha, &c.AlphaSort}, {grpTransferSpeed, &c.ShowCps}};
    return f;
}

void TfrmPref::ShowValues(const PreferencesValues& values)
{
    m_loading = true;
    PreferencesValues v = values;
    const Fields f = fields(v);
    // Path as stored, also when that folder is not there right now.
    for (const auto& [field, text] : f.texts)
        field->setText(*text);
    for (const auto& [field, typed, number, key] : f.numbers)
        field->setText(numberText(*typed, *number));
    for (const auto& [box, on] : f.switches)
        box->setChecked(*on);
    radViewer->setChecked(!v.config.DefaultViewer);
    for (const auto& [combo, index] : f.choices)
        showIndex(combo, *index);
    for (const auto& [group, index] : f.groups)
        showIndex(group, *index);
    for (const auto& [group, on] : f.flagGroups)
        showIndex(group, *on ? 1 : 0);
    SkipList->clear();
    SkipList->addItems(v.SkipList);
    EditorList->Clear();
    for (const EditorRule& rule : v.Editors)
        EditorList->AddItem(rule.extensions, {rule.program}, -1);
    MemoProxy->setPlainText(v.NonProxyHosts.join(QLatin1Char('\n')));
    m_fontName = v.view.FontName;  // the sample shows the views' font, which may stand in for it
    m_fontSize = v.view.FontSize;
    m_loading = false;
    updateEnabled();
}

PreferencesValues TfrmPref::Values() const
{
    PreferencesValues v = m_initial;  // BuffSize and what no control shows stay as they were
    const Fields f = fields(v);
    for (const auto& [field, text] : f.texts)
        *text = field->text();
    for (const auto& [field, typed, number, key] : f.numbers) {
        *typed = field->text();
        *number = typedNumber(field->text(), key);
    }
    for (const auto& [box, on] : f.switches)
        *on = box->isChecked();
    // What shows no item keeps the stored index.
    for (const auto& [combo, index] : f.choices)
        *index = chosenIndex(combo, *index);
    for (const auto& [group, index] : f.groups)
        *index = chosenIndex(group, *index);
    for (const auto& [group, on] : f.flagGroups)
        *on = chosenIndex(group, *on ? 1 : 0) == 1;
    v.view.FontName = m_fontName;
    v.view.FontSize = m_fontSize;
    v.SkipList.clear();
    for (int i = 0; i < SkipList->count(); ++i)
        v.SkipList << SkipList->item(i)->text();
    v.Editors.clear();
    for (const TListItem& row : EditorList->Items())
        v.Editors.append({row.Caption, row.columnText(1)});
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
