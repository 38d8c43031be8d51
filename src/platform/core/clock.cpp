#include "platform/core/clock.h"

#include <QElapsedTimer>

namespace {
std::function<QDateTime()>& source()
{
    static std::function<QDateTime()> fn;
    return fn;
}
}  // namespace

namespace Clock {

QDateTime now()
{
    const auto& fn = source();
    return fn ? fn() : QDateTime::currentDateTime();
}

qint64 tickMs()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

void setSource(std::function<QDateTime()> fn)
{
    source() = std::move(fn);
}

}  // namespace Clock
