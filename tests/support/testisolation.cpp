#include "testisolation.h"

#include "tempdir.h"

#include <cstdlib>
#include <memory>

namespace fs = std::filesystem;

namespace testsupport {

namespace {
std::unique_ptr<TempDir> &root()
{
    static std::unique_ptr<TempDir> dir;
    return dir;
}
} // namespace

void setEnv(const std::string &name, const std::string &value)
{
    ::setenv(name.c_str(), value.c_str(), 1);
}

void installTestIsolation()
{
    if (root())
        return;
    root() = std::make_unique<TempDir>("aulark-home");
    const fs::path base = root()->path();
    const auto folder = [&](const char *name) {
        const fs::path p = base / name;
        fs::create_directories(p);
        fs::permissions(p, fs::perms::owner_all, fs::perm_options::replace);
        return p.string();
    };
    setEnv("HOME", folder("home"));
    setEnv("XDG_CONFIG_HOME", folder("config"));
    setEnv("XDG_DATA_HOME", folder("data"));
    setEnv("XDG_CACHE_HOME", folder("cache"));
    setEnv("XDG_RUNTIME_DIR", folder("runtime"));
    // The pen library lists serial ports in empty folders unless a test gives it its own: no test
    // probes the machine's ports (a client view loads the pen library and opens its port).
    setEnv("SCRIVLO_SERIAL_SYSFS", folder("serial-sysfs"));
    setEnv("SCRIVLO_SERIAL_DEVDIR", folder("serial-dev"));
    // The web engine refuses to start its sandbox as root; CI and developers run as root.
    setEnv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    setEnv("QT_QUICK_BACKEND", "software");
    const char *display = std::getenv("DISPLAY");
    if (!display || !*display)
        setEnv("QT_QPA_PLATFORM", "offscreen");
    // Remove the root at exit even when a test ends the process with exit().
    std::atexit([] { root().reset(); });
}

fs::path isolationRoot()
{
    return root() ? root()->path() : fs::path();
}

} // namespace testsupport
