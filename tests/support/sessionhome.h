#pragma once

// A session without a window in a program folder of its own: "orvoftp.ini", "sites.ini" and
// "stats.dat" in a fresh temporary folder (which also takes the session's temporary files),
// and scripted prompts for every question it asks. One retry after 10 ms, so that tests of
// failures do not wait. Test fixtures derive from it beside ::testing::Test; members declared
// by the fixture (servers, runners on the session) go before the session does.
#include "platform/core/scriptedprompt.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"
#include "sites/sitedatabase.h"
#include "sites/sitestats.h"

#include <QTemporaryDir>
#include <memory>

struct SessionHome {
    SessionHome()
        : settings(std::make_unique<SettingsStore>(home.filePath("orvoftp.ini")))
        , sites(std::make_unique<TSiteDatabase>(home.filePath("sites.ini")))
        , stats(std::make_unique<TSiteStats>(home.filePath("stats.dat")))
        , session(std::make_unique<SessionController>(*settings, *sites, *stats))
    {
        session->SetTempDir(home.path() + '/');
        settings->config().Retry = 1;
        settings->config().Delay = 10;
    }

    QTemporaryDir home;
    ScriptedPrompt prompt;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<TSiteDatabase> sites;
    std::unique_ptr<TSiteStats> stats;
    std::unique_ptr<SessionController> session;
};
