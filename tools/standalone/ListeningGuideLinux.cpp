#include <climits>
#include <glib.h>
#include <unistd.h>

#include "ListeningGuide.h"

namespace tonewell::standalone {

std::string ListeningGuide::ExecutableFolder() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return {};
    const std::string executable(buffer, static_cast<std::size_t>(length));
    return executable.substr(0, executable.find_last_of('/') + 1);
}

bool ListeningGuide::Open(std::string& error) {
    const auto guide = Find();
    if (!guide) {
        error = "the listening guide (guide.html) is not installed beside the program";
        return false;
    }
    // xdg-open hands the page to the desktop's browser; it is not waited for.
    gchar* argv[] = {const_cast<gchar*>("xdg-open"), const_cast<gchar*>(guide->c_str()), nullptr};
    GError* failure = nullptr;
    if (!g_spawn_async(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr,
                       &failure)) {
        error = std::string("cannot open the listening guide ") + *guide + ": " +
                (failure ? failure->message : "xdg-open did not start");
        if (failure) g_error_free(failure);
        return false;
    }
    return true;
}

} // namespace tonewell::standalone
