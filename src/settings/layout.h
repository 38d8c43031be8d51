#pragma once

#include <QString>
#include <QStringList>
#include <QtCore/qnamespace.h>

class IniDocument;

// The main window's layout keys of [Setup]: applied at start-up, written at exit.
struct WindowLayout {
    int Top = 0;  // normal-state geometry
    int Left = 0;
    int Width = 0;
    int Height = 0;
    int WindowState = 3;  // 0 apply nothing; 1 geometry, normal; 2, 3 geometry then maximise
    int RemoteSize = 0;   // width of the remote pane
    int QueueSize = 0;    // width of the queue list
    int ServerSize = 80;  // height of the bottom panel
    bool QueueVisible = true;
    bool ShowQueue = true;
    bool ShowToolbar = true;
    bool ShowInfoPanel = true;
    bool ResolveFile = false;
    bool ShowLinks = true;
    int RemoteIcon = 3;  // 0 large icons, 1 small icons, 2 list, 3 details
    int LocalIcon = 3;

    bool operator==(const WindowLayout&) const = default;
};

// Keys without a fixed default (Top, Left, Width, Height, RemoteSize, QueueSize) fall back
// to `current`, the window's values at the time; a stored ServerSize of 0 gives 100.
WindowLayout readWindowLayout(const IniDocument& doc, const WindowLayout& current);

// The exit's write: Top, Left, Width, Height only when the window is in the normal state;
// then Version "2.50", WindowState, RemoteSize, ServerSize, RemoteIcon, LocalIcon,
// ShowLinks, ShowQueue, ShowToolbar, ShowInfoPanel, QueueVisible, QueueSize, ResolveFile.
void writeWindowLayout(IniDocument& doc, const WindowLayout& layout, bool normalState);

// The WindowState value the exit stores: 0 minimised, 2 maximised or hidden to the
// notification area, 1 normal, and 2 for a normal window that is not the active one.
int windowStateForExit(Qt::WindowStates states, bool active, bool hiddenToTray);

// [History] h1..hN: the quick-connect history in its order.
QStringList readHistory(const IniDocument& doc);
void writeHistory(IniDocument& doc, const QStringList& items);

// [Queue] Site: the site whose batch was left unfinished. Writing an empty name, or
// eraseQueue, removes it.
QString readQueueSite(const IniDocument& doc);
void writeQueueSite(IniDocument& doc, const QString& site);
void eraseQueue(IniDocument& doc);
