// The preferences window over a settings file of a temporary directory, shown offscreen,
// with scripted prompts: every control to and from the file, the checks, the buttons, the
// failures that must keep the edits, and screenshots of the nine pages.
#include "controls/orvoview.h"
#include "dialogs/preferenceswindow.h"
#include "platform/core/inifile.h"
#include "platform/core/scriptedprompt.h"
#include "platform/desktop/sound.h"
#include "settings/scramble.h"
#include "settings/settingskeys.h"
#include "settings/settingsstore.h"
#include "testutil.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Contents = QMap<QString, QMap<QString, QByteArray>>;  // section -> key -> stored bytes

Contents contents(const IniDocument& doc)
{
    Contents out;
    for (const QString& section : doc.sections()) {
        for (const QString& key : doc.sectionKeys(section))
            out[section][key] = doc.readBytes(section, key);
    }
    return out;
}

// Every behaviour key away from its default (numbers one up, flags flipped, texts of their
// own), every view key and list set.
PreferencesValues everythingChanged(const QString& missingDir)
{
    PreferencesValues v;
    for (const SettingInfo& info : allSettings()) {
        if (info.role != SettingRole::Behaviour)
            continue;
        std::visit(
            [&](auto field) {
                using Field = decltype(field);
                if constexpr (std::is_same_v<Field, QString ConfigData::*>)
                    v.config.*field = QString::fromLatin1(info.name) + QStringLiteral("-value");
                else if constexpr (std::is_same_v<Field, qint32 ConfigData::*>)
                    v.config.*field = info.number + 1;
                else if constexpr (std::is_same_v<Field, bool ConfigData::*>)
                    v.config.*field = info.number == 0;
            },
            info.field);
    }
    v.config.Path = missingDir;  // a disk that is not mounted right now
    v.view = {"proxy.example.org", 8021, "proxy-user", QString::fromUtf8("p\xC3\xA4ss word"), "/var/log/orvo.log",
              200, true, true, "DejaVu Serif", 13};
    v.SkipEnabled = true;
    v.SkipList = {"*.bak", "core"};
    v.Editors = {{".htm;.html", "/usr/bin/bluefish"}, {".c", "/opt/my,editor"}};
    v.NonProxyHosts = {"intra", "host.example.org"};
    return v;
}

class PreferencesWindowTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    ScriptedPrompt prompt;
    std::unique_ptr<SettingsStore> store;

    QString iniPath() const { return dir.filePath("orvoftp.ini"); }
    void writeIni(const QByteArray& text) { ASSERT_TRUE(testutil::writeFile(iniPath(), text)); }

    // The window as the main window opens it: the engine holds what the store read.
    std::unique_ptr<TfrmPref> open()
    {
        store = std::make_unique<SettingsStore>(iniPath());
        const PreferencesValues initial =
            preferencesFromSettings(*store->file().read(), store->prefs(), store->view(), store->noProxyHosts());
        auto form = std::make_unique<TfrmPref>(*store, initial, QFont(QStringLiteral("DejaVu Sans"), 9));
        form->show();
        return form;
    }
    QStringList messages() const
    {
        QStringList out;
        for (const auto& q : prompt.asked())
            out << q.text;
        return out;
    }
};

// Confirming without a change leaves the file as it was, but for what the save rewrites:
// the layout keys and BuffSize are gone until the exit writes the layout again. Every other
// section is kept, the stored drop-down indexes and the unmounted Path included, and the
// proxy password is stored scrambled again (with new filler bytes).
TEST_F(PreferencesWindowTest, ConfirmingWithoutChangesKeepsTheFile)
{
    const QString missingDir = dir.filePath("not-mounted");
    IniFile ini(iniPath());
    writePreferences(ini, everythingChanged(missingDir));
    ini.edit([](IniDocument& doc) {
        doc.writeString("Setup", "Top", "10");
        doc.writeString("Setup", "BuffSize", "500");
        doc.writeString("Setup", "WindowState", "1");
        doc.writeList("History", "h", {"ftp.example.org"});
        doc.writeList("Extensions", "e", {"*.txt"});
        doc.writeList("Commands", "c", {"Who"});
    });
    const Contents before = contents(*ini.read());

    auto form = open();
    EXPECT_EQ(form->txtLocalPath->text(), missingDir);
    EXPECT_EQ(form->txtProxyPass->text(), QString::fromUtf8("p\xC3\xA4ss word"));
    ASSERT_TRUE(form->btnOKClick());
    EXPECT_FALSE(form->isVisible());

    Contents after = contents(*ini.read());
    Contents expected = before;
    for (const char* gone : {"Top", "BuffSize", "WindowState"})
        expected["Setup"].remove(gone);
    EXPECT_TRUE(IsScrambled(after["Setup"]["ProxyPass"]));
    EXPECT_EQ(UnscramblePassword(after["Setup"]["ProxyPass"]), QString::fromUtf8("p\xC3\xA4ss word"));
    after["Setup"]["ProxyPass"] = expected["Setup"]["ProxyPass"];
    for (auto section = expected.cbegin(); section != expected.cend(); ++section) {
        for (auto key = section->cbegin(); key != section->cend(); ++key)
            EXPECT_EQ(after[section.key()][key.key()], key.value()) << qPrintable(section.key() + '/' + key.key());
    }
    EXPECT_EQ(after.keys(), expected.keys());
    EXPECT_EQ(after["Setup"].keys(), expected["Setup"].keys());
    EXPECT_EQ(store->config().Path, missingDir);  // reloaded, not replaced by a fallback
    EXPECT_EQ(prompt.asked().size(), 0u);
}

// Every control carries its value both ways: shown in a window that started from the
// defaults, every changed value comes back out of the controls.
TEST_F(PreferencesWindowTest, EveryControlCarriesItsValue)
{
    const PreferencesValues changed = everythingChanged(dir.filePath("elsewhere"));
    auto form = open();
    form->ShowValues(changed);
    const PreferencesValues read = form->Values();
    EXPECT_EQ(read.config, changed.config);
    EXPECT_EQ(read.view, changed.view);
    EXPECT_EQ(read.SkipEnabled, changed.SkipEnabled);
    EXPECT_EQ(read.SkipList, changed.SkipList);
    EXPECT_EQ(read.Editors, changed.Editors);
    EXPECT_EQ(read.NonProxyHosts, changed.NonProxyHosts);
    EXPECT_EQ(read.typed.Delay, QString::number(changed.config.Delay));
    EXPECT_EQ(read.typed.ProxyPort, "8021");
}

// Port and interval are checked on every change with the message naming the bounds; the
// other numbers are not. Whatever is typed is stored as typed and reads back as the key's
// default when it is no number (or, for the proxy port, no port).
TEST_F(PreferencesWindowTest, NumbersAreCheckedWhereTheyMustBeAndStoredAsTyped)
{
    auto form = open();
    const struct {
        QLineEdit* field;
        const char* typed;
        const char* message;
    } cases[] = {
        {form->txtIdleInterval, "300", "Value must be in the range 0-255"},
        {form->txtIdleInterval, "12", nullptr},
        {form->txtProxyPort, "70000", "Value must be in the range 1-65535"},
        {form->txtProxyPort, "", nullptr},
        {form->txtProxyPort, "0", "Value must be in the range 1-65535"},
        {form->txtTimeout, "abc", nullptr},
        {form->txtRetry, "-4", nullptr},
        {form->txtRetryDelay, "x", nullptr},
    };
    for (const auto& c : cases) {
        prompt.clear();
        c.field->setText(QString::fromLatin1(c.typed));
        EXPECT_EQ(messages(), c.message ? QStringList{QString::fromLatin1(c.message)} : QStringList()) << c.typed;
        if (c.message) {
            EXPECT_EQ(prompt.asked().front().icon, Prompt::Icon::Error);
        }
    }
    form->txtProxyPort->setText("70000");
    ASSERT_TRUE(form->btnOKClick());
    const auto doc = store->file().read();
    EXPECT_EQ(doc->readString("Setup", "Delay"), "abc");
    EXPECT_EQ(doc->readString("Setup", "ProxyPort"), "70000");
    EXPECT_EQ(store->config().Delay, 30);
    EXPECT_EQ(store->config().Retry, -4);
    EXPECT_EQ(store->config().RetryDelay, 0);
    EXPECT_EQ(store->config().IdleTime, 12);
    EXPECT_EQ(store->view().ProxyPort, 21);
}

// A write the system refuses used to close the window and lose the edits.
TEST_F(PreferencesWindowTest, AFailedWriteKeepsTheWindowAndTheEdits)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("orvoftp.ini"));  // a directory: nothing can be written there
    auto form = open();
    form->txtEmail->setText("me@example.org");
    EXPECT_FALSE(form->btnOKClick());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->txtEmail->text(), "me@example.org");
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith("Unable to write to ")) << qPrintable(messages()[0]);
    EXPECT_EQ(store->config().Email, "guest@example.com");
}

// A drop-down or radio group cannot show a stored index it has no item for: it shows none
// and the stored value is written back unless the user picks one.
TEST_F(PreferencesWindowTest, AnIndexWithoutItemIsKeptUntilChosen)
{
    writeIni("[Setup]\nDoubleClick=7\nAutoSort=9\nProxyMode=5\nResumeMode=-1\nConnectSound=12\n");
    auto form = open();
    EXPECT_EQ(form->cboDoubleClick->currentIndex(), -1);
    EXPECT_EQ(form->grpSortBy->checkedId(), -1);
    EXPECT_EQ(form->grpPasvMode->checkedId(), -1);
    form->cboDuplicateLocal->setCurrentIndex(2);
    ASSERT_TRUE(form->btnOKClick());
    const ConfigData& c = store->config();
    EXPECT_EQ(c.DoubleClick, 7);
    EXPECT_EQ(c.AutoSort, 9);
    EXPECT_EQ(c.ProxyMode, 5);
    EXPECT_EQ(c.ConnectSound, 12);
    EXPECT_EQ(c.ResumeMode, 2);
}

// Editor rows split at the first comma and are written back unchanged; an extension typed
// with a comma would move the split point when read back, so it is refused.
TEST_F(PreferencesWindowTest, EditorRulesAndTheCommaInAnExtension)
{
    writeIni("[Editors]\ne1=.htm;.html,/opt/editor,with,commas\ne2=no comma\n");
    auto form = open();
    ASSERT_EQ(form->EditorList->Count(), 2);
    EXPECT_EQ(form->EditorList->Item(0).Caption, ".htm;.html");
    EXPECT_EQ(form->EditorList->Item(0).columnText(1), "/opt/editor,with,commas");
    EXPECT_EQ(form->EditorList->Item(1).Caption, "");
    EXPECT_FALSE(form->btnEditorAdd->isEnabled());

    form->txtEditExtension->setText(".c,.h");
    form->txtEditEditor->setText("/usr/bin/kate");
    ASSERT_TRUE(form->btnEditorAdd->isEnabled());
    form->btnEditorAdd->click();
    EXPECT_EQ(form->EditorList->Count(), 2);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(form->txtEditExtension->text(), ".c,.h");  // left for the user to mend

    form->txtEditExtension->setText(".c;.h");
    form->btnEditorAdd->click();
    EXPECT_EQ(form->EditorList->Count(), 3);
    EXPECT_TRUE(form->txtEditEditor->text().isEmpty());
    EXPECT_FALSE(form->btnEditorAdd->isEnabled());
    form->EditorList->SetSelection({1});
    ASSERT_TRUE(form->btnEditorDelete->isEnabled());
    form->btnEditorDelete->click();
    ASSERT_TRUE(form->btnOKClick());
    EXPECT_EQ(store->file().read()->readList("Editors", "e"),
              QStringList({".htm;.html,/opt/editor,with,commas", ".c;.h,/usr/bin/kate"}));
}

QStringList played;
void recordSound(const QString& what)
{
    played << what;
}

// Buttons beside the fields: sounds, WAV files, folders, programs, fonts, the skip list.
TEST_F(PreferencesWindowTest, TheButtonsBesideTheFields)
{
    writeIni("[Setup]\nConnectSound=6\nConnectWav=/snd/hello.wav\nLog=0\n");
    auto form = open();
    EXPECT_TRUE(form->txtConnectWAV->isEnabled());
    EXPECT_FALSE(form->txtTransferWAV->isEnabled());
    EXPECT_FALSE(form->txtLogFile->isEnabled());
    EXPECT_EQ(form->chkHide->isVisibleTo(form.get()), QSystemTrayIcon::isSystemTrayAvailable());

    played.clear();
    Sound::setRecorderForTests(&recordSound);
    form->btnPlayConnect->click();
    form->cboConnectSound->setCurrentIndex(2);  // Beep: the WAV field keeps its text
    EXPECT_FALSE(form->txtConnectWAV->isEnabled());
    form->btnPlayConnect->click();
    form->btnPlayTransfer->click();  // (none)
    Sound::setRecorderForTests(nullptr);
    EXPECT_EQ(played, QStringList({"/snd/hello.wav", "bell"}));

    prompt.answer(QStringLiteral("/snd/bye.wav"));
    form->cboTransferSound->setCurrentIndex(6);
    form->btnTransferWAV->click();
    prompt.answer(QStringLiteral("/var/tmp"));
    form->chkLog->setChecked(true);
    form->btnLogFile->click();
    prompt.answer(QStringLiteral("/data/ftp"));
    form->btnLocalPath->click();
    prompt.answer(QStringLiteral("/usr/bin/kate"));
    form->btnEditor->click();
    prompt.answerFont(QStringLiteral("DejaVu Serif"), 14);
    form->btnFont->click();
    EXPECT_EQ(form->pnlFont->font().family(), "DejaVu Serif");

    using K = ScriptedPrompt::Kind;
    const std::tuple<K, const char*, const char*> asked[] = {
        {K::OpenFile, "WAV file", "Wav files (*.wav)|*.wav"},
        {K::PickFolder, "Select Log File Directory", ""},
        {K::PickFolder, "Select Default Local Path", ""},
        {K::OpenFile, "Select editor", "All Files (*)|*"},
        {K::ChooseFont, "Font", ""},
    };
    ASSERT_EQ(prompt.asked().size(), std::size(asked));
    for (size_t i = 0; i < std::size(asked); ++i) {
        EXPECT_EQ(prompt.asked()[i].kind, std::get<0>(asked[i])) << i;
        EXPECT_EQ(prompt.asked()[i].caption, std::get<1>(asked[i])) << i;
        EXPECT_EQ(prompt.asked()[i].filter, std::get<2>(asked[i])) << i;
    }
    EXPECT_EQ(prompt.asked()[4].defaultText, "DejaVu Sans");  // the views' font to start from
    EXPECT_EQ(prompt.asked()[4].pointSize, 9);

    EXPECT_FALSE(form->btnSkipAdd->isEnabled());
    for (const char* mask : {"*.bak", "core", "*.tmp"}) {
        QTest::keyClicks(form->txtSkipName, mask);
        form->btnSkipAdd->click();
    }
    EXPECT_FALSE(form->btnSkipAdd->isEnabled());
    form->SkipList->item(1)->setSelected(true);
    form->btnSkipDelete->click();
    EXPECT_FALSE(form->btnSkipDelete->isEnabled());

    ASSERT_TRUE(form->btnOKClick());
    const auto doc = store->file().read();
    EXPECT_EQ(doc->readString("Setup", "ConnectWav"), "/snd/hello.wav");
    EXPECT_EQ(doc->readString("Setup", "TransferWav"), "/snd/bye.wav");
    EXPECT_EQ(doc->readString("Setup", "LogFile"), "/var/tmp/orvoftp.log");
    EXPECT_EQ(doc->readString("Setup", "Path"), "/data/ftp");
    EXPECT_EQ(doc->readString("Setup", "Editor"), "/usr/bin/kate");
    EXPECT_EQ(store->view().FontName, "DejaVu Serif");
    EXPECT_EQ(store->view().FontSize, 14);
    EXPECT_EQ(store->prefs().SkipList, QStringList({"*.bak", "*.tmp"}));
}

// The stored font is written back as it was when none is chosen (the sample shows the
// desktop's font the views use in its place); Cancel and Escape write nothing.
TEST_F(PreferencesWindowTest, CancelWritesNothingAndAnUnchosenFontStays)
{
    writeIni("[Setup]\nEmail=old@example.org\n");
    auto form = open();
    form->txtEmail->setText("new@example.org");
    form->btnCancel->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(testutil::readFile(iniPath()), QByteArray("[Setup]\nEmail=old@example.org\n"));

    form = open();
    prompt.answerCancel();
    form->btnFont->click();
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(testutil::readFile(iniPath()), QByteArray("[Setup]\nEmail=old@example.org\n"));

    form = open();
    ASSERT_TRUE(form->btnOKClick());
    EXPECT_EQ(store->file().read()->readString("Setup", "FontName"), "MS Sans Serif");
    EXPECT_EQ(store->file().read()->readString("Setup", "FontSize"), "8");
}

// For a person to look at: the nine pages (in the test output directory).
TEST_F(PreferencesWindowTest, ScreenshotsOfTheNinePages)
{
    writeIni("[Setup]\nEmail=anna@example.org\nLog=1\nLogFile=/home/anna/orvoftp.log\nConnectSound=6\n"
             "ConnectWav=/usr/share/sounds/hello.wav\nEnableProxy=1\nProxyHost=proxy.example.org\nProxyPort=8021\n"
             "[Skip]\ns1=*.bak\ns2=Thumbs.db\nEnabled=1\n[Editors]\ne1=.htm;.html,/usr/bin/bluefish\n"
             "[Proxy]\np1=intra\np2=files.example.org\n");
    auto form = open();
    const QDir out(QStringLiteral(ORVO_TEST_OUTPUT_DIR));
    QDir().mkpath(out.path());
    ASSERT_EQ(form->Tabs->count(), 9);
    for (int page = 0; page < form->Tabs->count(); ++page) {
        form->Tabs->setCurrentIndex(page);
        QCoreApplication::processEvents();
        const QString name = "preferences-" + QString::number(page + 1) + "-"
                             + form->Tabs->tabText(page).toLower().remove(' ') + ".png";
        const QImage shot = form->grab().toImage();
        ASSERT_TRUE(shot.save(out.filePath(name))) << qPrintable(name);
        EXPECT_GT(shot.width(), 400);
    }
}

}  // namespace
