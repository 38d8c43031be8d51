#pragma once

#include <QtGlobal>

// The main window's activity byte: every command consults it before it starts, and the
// session's completion events use it to decide what comes next.
enum class SessionState : quint8 {
    NotConnected = 0,
    Connecting = 2,
    LoggingIn = 3,
    Idle = 4,
    Downloading = 5,
    Uploading = 6,
    EditFetch = 7,
    ViewFetch = 8,
    Deleting = 10,
    CustomCommand = 11,
    RemoteCommand = 12,
    Chmodding = 13,
    BatchEnding = 14,
    AbortingBatch = 15,
    RemovingFolders = 16,
    ConnectionLost = 17,
    StartingUp = 20,
};

// What to do after the next login and listing.
enum class FollowUp : quint8 {
    None = 0,
    ResumeBatch = 9,
    QueueUrlFile = 18,
    RunQueueAfterLogin = 19,
};
