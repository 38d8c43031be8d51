#pragma once

// A site manager over files of a temporary directory, shown (offscreen) so that rows can be
// clicked as a user clicks them, with scripted prompts.
#include "dialogs/sitemanager.h"
#include "platform/core/inifile.h"
#include "platform/core/scriptedprompt.h"
#include "sites/sitedatabase.h"
#include "sites/sitestats.h"
#include "testutil.h"

#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

class SiteManagerTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    TSiteDatabase db{dir.filePath("sites.ini")};
    TSiteStats stats{dir.filePath("stats.dat")};
    ScriptedPrompt prompt;

    std::unique_ptr<TfrmSite> open(bool autoSave = false)
    {
        auto form = std::make_unique<TfrmSite>(db, stats, autoSave);
        form->show();
        return form;
    }
    QByteArray sitesFile() const { return testutil::readFile(dir.filePath("sites.ini")); }
    QByteArray statsFile() const { return testutil::readFile(dir.filePath("stats.dat")); }

    // A group listing `names`, each a site with an address of its own.
    void makeGroup(const QString& group, const QStringList& names)
    {
        QStringList groups = db.groups();
        if (!groups.contains(group))
            db.saveGroups(groups << group, 1);
        for (const QString& name : names) {
            TSiteRecord site;
            site.IP = name.toLower() + ".example.org";
            site.Options = FreshSiteOptions;
            db.writeSite(name, site);
        }
        db.saveGroupSites(group, names);
    }

    // A click on a row as the mouse gives it (press, release, click), with modifiers.
    static void click(TfrmSite& form, const QString& name, Qt::KeyboardModifiers modifiers = {})
    {
        const QList<QListWidgetItem*> items = form.SiteList->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        const QPoint at = form.SiteList->visualItemRect(items.first()).center();
        QTest::mouseClick(form.SiteList->viewport(), Qt::LeftButton, modifiers, at);
        QCoreApplication::processEvents();
    }
    // Clicks the row and loads it, as a click and "&Edit" do.
    static void edit(TfrmSite& form, const QString& name)
    {
        click(form, name);
        form.btnEditClick();
    }
    static QStringList messages(const ScriptedPrompt& prompt)
    {
        QStringList out;
        for (const auto& q : prompt.asked())
            out << q.text;
        return out;
    }
};
