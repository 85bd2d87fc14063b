#pragma once
// The data folder's advisory lock: the windows and the command-line commands
// may run at the same time on one data folder, and each save of orvane.dat,
// orvane.ini or favorites.dat (with the re-read that precedes it) happens
// while the saver holds this lock, so no program writes over a file another
// one is rewriting. It is flock(2) on the file ".lumisk.lock" in the folder.
//
// States: held from construction to destruction. Within one process the lock
// is re-entrant (a save inside a locked section does not wait for itself);
// another thread of the same process waits like another process does.
// Errors: when another holder keeps the lock beyond the wait, the constructor
// throws EDataFolderBusy. A folder where the lock file cannot be made or
// locked at all (read-only or missing folder, a file system without locks)
// is not locked: the save goes ahead as it would with one program alone.
#include "util/lumiskerror.h"

#include <chrono>
#include <string>

namespace lumisk {

// The lock was still held by someone else when the wait ran out.
class EDataFolderBusy : public ELumiskError {
  public:
    EDataFolderBusy(const std::string& folder, std::chrono::milliseconds waited);
};

class TDataFolderLock {
  public:
    static constexpr const char* kFileName = ".lumisk.lock";

    // folder with or without a trailing "/".
    explicit TDataFolderLock(const std::string& folder);
    TDataFolderLock(const std::string& folder, std::chrono::milliseconds wait);
    ~TDataFolderLock();
    TDataFolderLock(const TDataFolderLock&) = delete;
    TDataFolderLock& operator=(const TDataFolderLock&) = delete;

    // The folder's lock is held (false where it could not be taken at all).
    bool Locked() const { return entry_ >= 0; }

    // The wait of the one-argument constructor (10 seconds unless changed).
    static std::chrono::milliseconds DefaultWait();
    static void SetDefaultWait(std::chrono::milliseconds wait);

  private:
    int entry_ = -1; // the process's record of this folder's lock, or -1
};

// The folder of the file at path, with a trailing "/" ("./" for a bare name).
std::string FolderOfFile(const std::string& path);

} // namespace lumisk
