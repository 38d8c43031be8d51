#pragma once

#include <QString>

// The default locale's long time format without its time-zone field: the program's time
// stamps (file times, last-connect stamps) are local times, and Qt's long format would add
// the zone's name.
QString LongTimeFormat();
