#include "second_start_place.hpp"

#include <QTest>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace tarnelo {

void checkPrivateAndLeaveStale(const QString& name) {
    const std::filesystem::path socket = name.toStdString();
    struct stat info {};
    QCOMPARE(::stat(socket.parent_path().c_str(), &info), 0);
    QCOMPARE(info.st_mode & 077, 0u);
    QCOMPARE(info.st_uid, ::geteuid());
    std::ofstream(socket) << "stale";
}

const char* programFileName() {
    return "tarnelo";
}

} // namespace tarnelo
