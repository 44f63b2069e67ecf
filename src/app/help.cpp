#include "app/help.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>


#include "app/app_state.h"
#include "platform/file_io.h"

extern char** environ;

std::string HelpFileUnder(const std::string& exeFolder) { return exeFolder + "Help/Glimmerkit-Help.html"; }

std::string ExecutableFolder() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return "./";
    return FolderOf(std::string(buffer, std::size_t(n)));
}

void ShowHelp(Ui& ui, const std::string& exeFolder, const std::string& fallback) {
    std::string path = HelpFileUnder(exeFolder);
    if (!FileExists(path)) path = fallback;
    if (!FileExists(path)) {
        ui.Message(BoxKind::Warning, kMainTitle,
                   "The help file was not found. It should be here:\n" + HelpFileUnder(exeFolder));
        return;
    }
    // The viewer runs on its own: a short-lived shell starts it in the background, so there is
    // nothing to wait for but the shell. The path travels as an argument, never through parsing.
    char shell[] = "sh", dashC[] = "-c", script[] = "xdg-open \"$1\" >/dev/null 2>&1 &", name[] = "glimmerkit-help";
    char* argv[] = {shell, dashC, script, name, path.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "sh", nullptr, nullptr, argv, environ) == 0) waitpid(pid, nullptr, 0);
}
