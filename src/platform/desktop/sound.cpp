#include "platform/desktop/sound.h"

#include <QFile>
#include <canberra.h>

namespace {

void (*recorder)(const QString&) = nullptr;

ca_context* context()
{
    static ca_context* ctx = [] {
        ca_context* c = nullptr;
        if (ca_context_create(&c) != CA_SUCCESS)
            return static_cast<ca_context*>(nullptr);
        ca_context_change_props(c, CA_PROP_APPLICATION_NAME, "OrvoFTP", nullptr);
        return c;
    }();
    return ctx;
}

const char* eventId(Sound::SystemSound sound)
{
    switch (sound) {
    case Sound::SystemSound::Asterisk: return "dialog-information";
    case Sound::SystemSound::Beep: return "bell";
    case Sound::SystemSound::Exclamation: return "dialog-warning";
    case Sound::SystemSound::Question: return "dialog-question";
    case Sound::SystemSound::Stop: return "dialog-error";
    case Sound::SystemSound::None: break;
    }
    return nullptr;
}

}  // namespace

namespace Sound {

void play(SystemSound sound)
{
    const char* id = eventId(sound);
    if (!id)
        return;
    if (recorder) {
        recorder(QString::fromLatin1(id));
        return;
    }
    if (ca_context* ctx = context())
        ca_context_play(ctx, 0, CA_PROP_EVENT_ID, id, nullptr);
}

void playFile(const QString& path)
{
    if (path.isEmpty())
        return;
    if (recorder) {
        recorder(path);
        return;
    }
    if (ca_context* ctx = context())
        ca_context_play(ctx, 0, CA_PROP_MEDIA_FILENAME, QFile::encodeName(path).constData(), nullptr);
}

void playSetting(int choice, const QString& wavFile)
{
    switch (choice) {
    case 1: play(SystemSound::Asterisk); break;
    case 2: play(SystemSound::Beep); break;
    case 3: play(SystemSound::Exclamation); break;
    case 4: play(SystemSound::Question); break;
    case 5: play(SystemSound::Stop); break;
    case 6: playFile(wavFile); break;
    default: break;
    }
}

void setRecorderForTests(void (*fn)(const QString&))
{
    recorder = fn;
}

}  // namespace Sound
