#pragma once
// Which folder holds the program's files, decided in one place for the
// windows and the commands alike. A folder given on the command line wins;
// otherwise the program's own folder, as long as this user can write there
// and it is not a folder the system keeps programs in (a build tree or a
// portable copy); otherwise $XDG_DATA_HOME/lumisk, or ~/.local/share/lumisk
// when that variable is unset, empty or not an absolute path. Choosing
// touches nothing; Prepare() creates the folder and reports, as one
// message, when it cannot be written. The places come from the process
// (OfThisProcess) or, in tests, from the caller.
#include <functional>
#include <string>
#include <vector>

namespace lumisk {

struct TDataFolderPlaces {
    std::string ProgramFolder;
    std::string DataHome; // $XDG_DATA_HOME as found, possibly empty
    std::string Home;
    // Folders of installed programs: never a data folder, even for root.
    std::vector<std::string> SystemProgramFolders;
    // Whether this user may create files in an existing folder.
    std::function<bool(const std::string&)> CanWrite;

    static TDataFolderPlaces OfThisProcess();
};

class TDataFolderChoice {
  public:
    enum class TSource { Given, ProgramFolder, UserData };

    // given is the --data-dir folder, empty when none was given.
    static TDataFolderChoice Choose(const std::string& given, const TDataFolderPlaces& places);

    // Absolute, without a trailing "/".
    const std::string& Folder() const { return folder_; }
    TSource Source() const { return source_; }
    // "Data folder: /path (why)" for --help.
    std::string Describe() const;

    // Creates the folder when missing (unless told not to: then a missing
    // folder is no problem here). Empty when it can be written; else the one
    // message to show, naming the folder and --data-dir.
    std::string Prepare(const TDataFolderPlaces& places, bool createMissing = true) const;

  private:
    std::string folder_;
    TSource source_ = TSource::Given;
};

} // namespace lumisk
