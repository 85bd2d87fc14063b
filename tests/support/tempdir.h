#pragma once
// A fresh temporary directory per test, removed afterwards, with helpers to
// write and read files as bytes.
#include <QTemporaryDir>
#include <functional>
#include <string>

namespace lumisk::test {

class TTempDir {
public:
    TTempDir();
    // The directory with a trailing "/".
    std::string Path() const;
    std::string File(const std::string& name) const { return Path() + name; }
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;
    bool Exists(const std::string& name) const;

private:
    QTemporaryDir dir_;
};

// Waits, processing events, until cond() holds or the deadline passes.
bool WaitFor(const std::function<bool()>& cond, int timeoutMs = 5000);

// Waits until the coarse clock that stamps file times has passed the
// modification time of path, so that a change made now gets a later stamp
// even on a file system that stamps clock ticks.
bool WaitForTheClockToPass(const std::string& path);

} // namespace lumisk::test
