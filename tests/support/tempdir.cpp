#include "support/tempdir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <time.h>

namespace lumisk::test {

TTempDir::TTempDir() : dir_(QDir::tempPath() + "/lumisk-test-XXXXXX") {
    if (!dir_.isValid()) throw std::runtime_error("cannot create a temporary directory");
}

std::string TTempDir::Path() const { return dir_.path().toStdString() + "/"; }

void TTempDir::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(File(name), std::ios::binary);
    out << bytes;
}

std::string TTempDir::Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool TTempDir::Exists(const std::string& name) const { return QFile::exists(QString::fromStdString(File(name))); }

bool WaitFor(const std::function<bool()>& cond, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

bool WaitForTheClockToPass(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    const auto ns = [](const timespec& t) { return t.tv_sec * 1'000'000'000LL + t.tv_nsec; };
    return WaitFor([&] {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
        return ns(now) > ns(st.st_mtim);
    });
}

} // namespace lumisk::test
