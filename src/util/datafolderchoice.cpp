#include "util/datafolderchoice.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include <QDir>

namespace lumisk {

namespace fs = std::filesystem;

namespace {

std::string Normal(const std::string& folder) {
    std::error_code error;
    fs::path path = fs::absolute(folder, error);
    if (error) path = folder;
    std::string text = path.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

TDataFolderPlaces TDataFolderPlaces::OfThisProcess() {
    TDataFolderPlaces places;
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    places.ProgramFolder = error ? std::string(".") : program.parent_path().string();
    places.DataHome = Variable("XDG_DATA_HOME");
    places.Home = QDir::homePath().toStdString();
    // Root may write into these, but an installed program's data has no
    // business there.
    places.SystemProgramFolders = {
        "/bin",       "/sbin",          "/usr/bin",        "/usr/sbin",
        "/usr/games", "/usr/local/bin", "/usr/local/sbin", "/usr/local/games"};
#ifdef LUMISK_INSTALL_BINDIR
    if (*LUMISK_INSTALL_BINDIR) places.SystemProgramFolders.push_back(LUMISK_INSTALL_BINDIR);
#endif
    places.CanWrite = [](const std::string& folder) {
        return ::access(folder.c_str(), W_OK | X_OK) == 0;
    };
    return places;
}

TDataFolderChoice TDataFolderChoice::Choose(const std::string& given,
                                            const TDataFolderPlaces& places) {
    TDataFolderChoice choice;
    if (!given.empty()) {
        choice.folder_ = Normal(given);
        choice.source_ = TSource::Given;
        return choice;
    }
    const std::string program = Normal(places.ProgramFolder);
    const bool system =
        std::any_of(places.SystemProgramFolders.begin(), places.SystemProgramFolders.end(),
                    [&](const std::string& folder) { return Normal(folder) == program; });
    if (!system && places.CanWrite(program)) {
        choice.folder_ = program;
        choice.source_ = TSource::ProgramFolder;
        return choice;
    }
    const bool dataHomeUsable = !places.DataHome.empty() && places.DataHome.front() == '/';
    const std::string base =
        dataHomeUsable ? places.DataHome : (fs::path(places.Home) / ".local/share").string();
    choice.folder_ = Normal((fs::path(base) / "lumisk").string());
    choice.source_ = TSource::UserData;
    return choice;
}

std::string TDataFolderChoice::Describe() const {
    switch (source_) {
    case TSource::Given:
        return "Data folder: " + folder_ + " (given with --data-dir)";
    case TSource::ProgramFolder:
        return "Data folder: " + folder_ + " (the program's own folder)";
    case TSource::UserData:
        break;
    }
    return "Data folder: " + folder_ +
           " (the program's own folder is read-only or a system folder)";
}

std::string TDataFolderChoice::Prepare(const TDataFolderPlaces& places, bool createMissing) const {
    std::error_code error;
    if (createMissing) fs::create_directories(folder_, error);
    std::error_code typeError;
    std::string problem;
    if (!createMissing && !fs::exists(folder_, typeError)) return {};
    if (!fs::is_directory(folder_, typeError))
        problem = "cannot be created (" + (error ? error.message() : "not a folder") + ")";
    else if (!places.CanWrite(folder_))
        problem = "cannot be written";
    if (problem.empty()) return {};
    return "The data folder " + folder_ + " " + problem +
           ": nothing can be saved there. Start Lumisk with --data-dir FOLDER to keep its "
           "files in another folder";
}

} // namespace lumisk
