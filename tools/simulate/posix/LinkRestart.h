#pragma once

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

// Starting this program again through a hard link with another name: exec names a process after
// the file it runs (on Linux, the first 15 bytes of it) and passes on any argv[0], so this gives
// a process a name it cannot set itself, or a first argument that is not a path of this system.
namespace quorvel::simulate::LinkRestart {

// Set in the restarted process: the folder holding the link it was started through.
inline constexpr const char* linkFolderVariable = "QUORVEL_SIMULATE_LINK_FOLDER";

// True in a process started by restart(), whose link has then done its work and is removed.
inline bool finish()
{
    const char* linkFolder = std::getenv(linkFolderVariable);
    if (!linkFolder)
        return false;
    std::error_code ignored;
    std::filesystem::remove_all(linkFolder, ignored);
    ::unsetenv(linkFolderVariable);
    return true;
}

// The absolute path of the running program, found as a shell would from argv[0].
inline std::string executablePath(const char* argv0)
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

// Starts the program again from a link called name, with invokedAs as argv[0] (the link's path
// when empty). Does not return on success; else returns a sentence for the user.
// REQUIRES: argv is main's argv.
inline std::string restart(const std::string& name, const std::string& invokedAs, char** argv)
{
    namespace fs = std::filesystem;
    const std::string self = executablePath(argv[0]);
    if (self.empty())
        return "cannot find this program's own file to start it as '" + name + "'";

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
    char* const invokedAsBefore = argv[0];
    argv[0] = const_cast<char*>(invokedAs.empty() ? link.c_str() : invokedAs.c_str());
    ::execv(link.c_str(), argv);
    const std::string reason = std::strerror(errno);
    argv[0] = invokedAsBefore;
    ::unsetenv(linkFolderVariable);
    fs::remove_all(folderTemplate, error);
    return "cannot start as '" + name + "': " + reason;
}

} // namespace quorvel::simulate::LinkRestart
