#include "util/datafolderlock.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace lumisk {

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// flock(2) locks belong to an open file: two opens of the lock file in one
// process would shut each other out. So each process opens a folder's lock
// file once, found again by device and inode however the folder is spelled,
// and counts how deep its holders nest.
struct TEntry {
    dev_t Device = 0;
    ino_t Inode = 0;
    int Fd = -1;
    int Depth = 0;
};

std::vector<TEntry>& Entries() {
    static std::vector<TEntry> entries;
    return entries;
}

// Threads of one process take turns here before the file lock is looked at,
// which also guards Entries().
std::recursive_timed_mutex& ProcessTurn() {
    static std::recursive_timed_mutex turn;
    return turn;
}

std::atomic<std::int64_t>& DefaultWaitMs() {
    static std::atomic<std::int64_t> ms{10000};
    return ms;
}

std::string WithSlash(const std::string& folder) {
    std::string dir = folder.empty() ? std::string("./") : folder;
    if (dir.back() != '/') dir += '/';
    return dir;
}

std::string WaitText(milliseconds wait) {
    if (wait.count() % 1000 == 0) {
        const std::int64_t s = wait.count() / 1000;
        return std::to_string(s) + (s == 1 ? " second" : " seconds");
    }
    return std::to_string(wait.count()) + " ms";
}

// The entry of the folder's lock, taken or joined; -1 when the folder cannot
// be locked at all. Throws EDataFolderBusy when another holder keeps it past
// the deadline.
int Acquire(const std::string& dir, steady_clock::time_point deadline, milliseconds wait) {
    // Read-only is enough for flock, so a lock file made by another user
    // still serves; a link or anything but a plain file is not followed.
    const int fd =
        ::open((dir + TDataFolderLock::kFileName).c_str(),
               O_RDONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW, 0666);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    std::vector<TEntry>& entries = Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        TEntry& e = entries[i];
        if (e.Fd >= 0 && e.Device == st.st_dev && e.Inode == st.st_ino) {
            ::close(fd);
            ++e.Depth;
            return static_cast<int>(i);
        }
    }
    // Saves hold the lock for milliseconds, so a short poll finds it free
    // soon after release without a thread blocked in the kernel that no
    // deadline could wake.
    milliseconds pause(1);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR) continue;
        if (error != EWOULDBLOCK && error != EAGAIN) {
            ::close(fd);
            return -1;
        }
        const auto now = steady_clock::now();
        if (now >= deadline) {
            ::close(fd);
            throw EDataFolderBusy(dir, wait);
        }
        std::this_thread::sleep_for(std::min<steady_clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, milliseconds(50));
    }
    auto unused =
        std::find_if(entries.begin(), entries.end(), [](const TEntry& e) { return e.Fd < 0; });
    if (unused == entries.end()) unused = entries.insert(entries.end(), TEntry{});
    *unused = TEntry{st.st_dev, st.st_ino, fd, 1};
    return static_cast<int>(unused - entries.begin());
}

} // namespace

EDataFolderBusy::EDataFolderBusy(const std::string& folder, milliseconds waited)
    : ELumiskError("The data folder " + folder + " is locked by another Lumisk program (" +
                   TDataFolderLock::kFileName + "); nothing was saved after waiting " +
                   WaitText(waited)) {}

std::string FolderOfFile(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

TDataFolderLock::TDataFolderLock(const std::string& folder)
    : TDataFolderLock(folder, DefaultWait()) {}

TDataFolderLock::TDataFolderLock(const std::string& folder, milliseconds wait) {
    const auto deadline = steady_clock::now() + wait;
    const std::string dir = WithSlash(folder);
    if (!ProcessTurn().try_lock_until(deadline)) throw EDataFolderBusy(dir, wait);
    try {
        entry_ = Acquire(dir, deadline, wait);
    } catch (...) {
        ProcessTurn().unlock();
        throw;
    }
}

TDataFolderLock::~TDataFolderLock() {
    if (entry_ >= 0) {
        TEntry& e = Entries()[static_cast<std::size_t>(entry_)];
        if (--e.Depth == 0) {
            // Closing the only descriptor of the open file releases the lock.
            ::close(e.Fd);
            e = TEntry{};
        }
    }
    ProcessTurn().unlock();
}

milliseconds TDataFolderLock::DefaultWait() {
    return milliseconds(DefaultWaitMs().load());
}

void TDataFolderLock::SetDefaultWait(milliseconds wait) {
    DefaultWaitMs() = wait.count();
}

} // namespace lumisk
