#include "second_start_place.hpp"

#include <QTest>

namespace tarnelo {

// A pipe name, not a path; the user's name is part of what it is made from, so another user's
// window of the same program folder has another. The pipe admits only its owner. A pipe goes
// with the process that made it, so nothing stale is left to put there.
void checkPrivateAndLeaveStale(const QString& name) {
    QVERIFY(!name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')));
    QVERIFY(name.startsWith(QStringLiteral("tarnelo-")));
}

const char* programFileName() {
    return "tarnelo.exe";
}

} // namespace tarnelo
