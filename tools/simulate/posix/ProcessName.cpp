#include "simulate/ProcessName.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <unistd.h>

namespace quorvel::simulate::ProcessName {

namespace {

// Set in the restarted process: the folder holding the link it was started through.
constexpr const char* linkFolderVariable = "QUORVEL_SIMULATE_LINK_FOLDER";

std::string executablePath(const char* argv0)
{
    const std::string_view invoked = argv0 ? argv0 : "";
    if (invoked.find('/') != std::string_view::npos) {
        char resolved[PATH_MAX];
        return ::realpath(argv0, resolved) ? std::string(resolved) : std::string();
    }
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "";
    while (!folders.empty()) {
        const auto colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        const std::string candidate =
            std::string(folder.empty() ? "." : folder) + "/" + std::string(invoked);
        char resolved[PATH_MAX];
        if (::access(candidate.c_str(), X_OK) == 0 && ::realpath(candidate.c_str(), resolved))
            return resolved;
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
    }
    return {};
}

} // namespace

std::string adopt(const std::string& name, char** argv)
{
    namespace fs = std::filesystem;

    // Back from the restart: the kernel took the name from the link, which has done its work.
    if (const char* linkFolder = std::getenv(linkFolderVariable)) {
        std::error_code ignored;
        fs::remove_all(linkFolder, ignored);
        ::unsetenv(linkFolderVariable);
        return {};
    }

    const std::string self = executablePath(argv[0]);
    if (self.empty())
        return "cannot find this program's own file to start it as '" + name + "'";
    if (fs::path(self).filename() == name)
        return {};

    std::error_code error;
    std::string folderTemplate = (fs::temp_directory_path(error) / "quorvel-simulate-XXXXXX");
    if (error || !::mkdtemp(folderTemplate.data()))
        return "cannot create a folder for the link named '" + name + "'";
    const fs::path link = fs::path(folderTemplate) / name;

    // A hard link, not a symbolic one: exec resolves a symbolic link and names the process after
    // its target. A copy serves when the temporary folder lies on another file system.
    fs::create_hard_link(self, link, error);
    if (error) {
        error.clear();
        fs::copy_file(self, link, error);
        if (!error)
            fs::permissions(link, fs::perms::owner_all, fs::perm_options::replace, error);
    }
    if (error) {
        fs::remove_all(folderTemplate, error);
        return "cannot create the link named '" + name + "'";
    }

    ::setenv(linkFolderVariable, folderTemplate.c_str(), 1);
    char* const invokedAs = argv[0];
    argv[0] = const_cast<char*>(link.c_str());
    ::execv(link.c_str(), argv);
    const std::string reason = std::strerror(errno);
    argv[0] = invokedAs;
    ::unsetenv(linkFolderVariable);
    fs::remove_all(folderTemplate, error);
    return "cannot start as '" + name + "': " + reason;
}

} // namespace quorvel::simulate::ProcessName
