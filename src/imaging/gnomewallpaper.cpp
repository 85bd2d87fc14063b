#include "imaging/gnomewallpaper.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <filesystem>
#include <system_error>

namespace lumisk {

namespace {

// The window waits for gsettings: a desktop whose settings service does not
// answer must not freeze it for long.
constexpr int kProgramTimeoutMs = 2000;
constexpr const char* kSchema = "org.gnome.desktop.background";

bool Unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

} // namespace

std::string TGnomeWallpaper::FindOnPath(const std::string& name) {
    return QStandardPaths::findExecutable(QString::fromLocal8Bit(name)).toLocal8Bit().toStdString();
}

void TGnomeWallpaper::RunAndWait(const std::string& program,
                                 const std::vector<std::string>& arguments) {
    QStringList args;
    for (const std::string& a : arguments)
        args << QString::fromLocal8Bit(a);
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QString::fromLocal8Bit(program), args);
    if (!process.waitForStarted(kProgramTimeoutMs)) return;
    if (!process.waitForFinished(kProgramTimeoutMs)) {
        process.kill();
        process.waitForFinished(kProgramTimeoutMs);
    }
}

TGnomeWallpaper::TGnomeWallpaper() : TGnomeWallpaper(FindOnPath, RunAndWait) {}

TGnomeWallpaper::TGnomeWallpaper(TFindProgram find, TRunProgram run)
    : find_(std::move(find)), run_(std::move(run)) {}

std::string TGnomeWallpaper::FileUri(const std::string& path) {
    std::string absolute = path;
    if (absolute.empty() || absolute[0] != '/') {
        std::error_code error;
        const std::string cwd = std::filesystem::current_path(error).string();
        absolute = cwd + (cwd.empty() || cwd.back() != '/' ? "/" : "") + path;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : absolute) {
        if (Unreserved(c)) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 0x0F];
        }
    }
    return uri;
}

void TGnomeWallpaper::SetWallpaper(const std::string& path, bool tiled) {
    const std::string gsettings = find_("gsettings");
    if (gsettings.empty()) return;
    const std::string uri = FileUri(path);
    run_(gsettings, {"set", kSchema, "picture-uri", uri});
    run_(gsettings, {"set", kSchema, "picture-uri-dark", uri});
    run_(gsettings, {"set", kSchema, "picture-options", tiled ? "wallpaper" : "centered"});
}

} // namespace lumisk
