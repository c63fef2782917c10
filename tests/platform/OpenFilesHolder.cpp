// A stand-in DAW for the open-file tests: a real process with a chosen command name that holds
// known files open until its standard input closes.
//
//   quorvel_open_files_holder NAME FOLDER
//
// Opens every entry of FOLDER in ascending byte order of the names, then the first one a second
// time (so one file is open through two descriptors), renames its command to NAME, writes
// "ready" and a line feed, and waits for its standard input to reach its end.

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/prctl.h>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s NAME FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[2];
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    if (!names.empty())
        names.push_back(names.front());
    for (const std::string& name : names) {
        if (::open((folder + "/" + name).c_str(), O_RDONLY) < 0) {
            std::perror(name.c_str());
            return 1;
        }
    }
    ::prctl(PR_SET_NAME, argv[1], 0, 0, 0);
    std::printf("ready\n");
    std::fflush(stdout);
    char buffer[256];
    while (::read(0, buffer, sizeof buffer) > 0) {
    }
    return 0;
}
