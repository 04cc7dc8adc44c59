#include "serialdevices.h"

#include "serialport.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace serialport {
namespace {

std::string envOr(const char *name, const char *fallback)
{
    const char *value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::string readTrimmed(const fs::path &file)
{
    std::ifstream in(file);
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    const auto notBlank = [](unsigned char c) { return !std::isspace(c); };
    s.erase(s.begin(), std::find_if(s.begin(), s.end(), notBlank));
    s.erase(std::find_if(s.rbegin(), s.rend(), notBlank).base(), s.end());
    return s;
}

std::set<std::string> consoleNames(const fs::path &sysfs)
{
    std::set<std::string> names;
    std::istringstream words(readTrimmed(sysfs / "console" / "active"));
    for (std::string word; words >> word;)
        names.insert(word);
    return names;
}

// Device numbers of the kernel console on this machine, whatever the roots point at: a link in a
// redirected device folder must not lead to it either.
std::set<dev_t> consoleDevices()
{
    std::set<dev_t> devices;
    for (const std::string &name : consoleNames("/sys/class/tty")) {
        struct stat st
        {
        };
        if (::stat(("/dev/" + name).c_str(), &st) == 0 && S_ISCHR(st.st_mode))
            devices.insert(st.st_rdev);
    }
    return devices;
}

bool digitsOnly(const std::string &s)
{
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

bool hasNumberedPrefix(const std::string &name, const char *prefix)
{
    const std::string p(prefix);
    return name.size() > p.size() && name.compare(0, p.size(), p) == 0 &&
           digitsOnly(name.substr(p.size()));
}

bool usbName(const std::string &name)
{
    return hasNumberedPrefix(name, "ttyUSB") || hasNumberedPrefix(name, "ttyACM");
}

bool serialLookingName(const std::string &name)
{
    static const char *const prefixes[] = {"ttyUSB", "ttyACM", "ttyS", "ttyAMA",   "ttySAC",
                                           "ttymxc", "ttyTHS", "ttyO", "ttyXRUSB", "rfcomm"};
    return std::any_of(std::begin(prefixes), std::end(prefixes),
                       [&](const char *p) { return hasNumberedPrefix(name, p); });
}

// Letters, then the number by value: ttyUSB2 before ttyUSB10.
bool naturalLess(const std::string &a, const std::string &b)
{
    const auto split = [](const std::string &s) {
        std::size_t i = s.size();
        while (i > 0 && std::isdigit(static_cast<unsigned char>(s[i - 1])))
            --i;
        const std::string digits = s.substr(i);
        return std::make_pair(s.substr(0, i), digits.empty() ? -1L : std::atol(digits.c_str()));
    };
    return split(a) < split(b) || (split(a) == split(b) && a < b);
}

struct Candidate
{
    SerialDevice device;
    int group; // 0 USB, 1 other ports sysfs knows, 2 device-folder only
};

bool isCharacterDevice(const fs::path &node, dev_t *rdev)
{
    struct stat st
    {
    };
    if (::stat(node.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    *rdev = st.st_rdev;
    return true;
}

// The USB device that a tty's device link leads into carries the product name a few folders up.
std::string usbProduct(const fs::path &deviceLink)
{
    std::error_code ec;
    fs::path dir = fs::canonical(deviceLink, ec);
    if (ec)
        return {};
    for (int up = 0; up < 4 && !dir.empty() && dir != dir.root_path(); ++up) {
        const std::string product = readTrimmed(dir / "product");
        if (!product.empty())
            return product;
        dir = dir.parent_path();
    }
    return {};
}

} // namespace

std::string sysfsRoot()
{
    return envOr("SCRIVLO_SERIAL_SYSFS", "/sys/class/tty");
}
std::string deviceRoot()
{
    return envOr("SCRIVLO_SERIAL_DEVDIR", "/dev");
}

std::vector<SerialDevice> listSerialDevices()
{
    const fs::path sysfs = sysfsRoot();
    const fs::path devdir = deviceRoot();
    const std::set<std::string> console = consoleNames(sysfs);
    const std::set<dev_t> consoleNodes = consoleDevices();
    std::vector<Candidate> found;
    std::set<std::string> known; // names sysfs decided on, listed or not
    std::error_code ec;

    // Ports with hardware behind them: sysfs entries with a device link.
    for (const auto &entry : fs::directory_iterator(sysfs, ec)) {
        const std::string name = entry.path().filename().string();
        std::error_code linkError;
        if (!fs::exists(entry.path() / "device", linkError))
            continue; // virtual consoles, pseudo-terminals
        known.insert(name);
        if (console.count(name))
            continue;
        // A UART slot the kernel registered without finding a chip reports type 0.
        if (readTrimmed(entry.path() / "type") == "0")
            continue;
        const fs::path node = devdir / name;
        dev_t rdev{};
        if (!isCharacterDevice(node, &rdev) || consoleNodes.count(rdev))
            continue;
        Candidate c;
        c.device.name = name;
        c.device.devicePath = node.string();
        const std::string product = usbProduct(entry.path() / "device");
        c.device.usb = !product.empty() || usbName(name);
        c.device.description = !product.empty() ? product
                               : c.device.usb   ? "USB Serial Device"
                                                : "Communications Port";
        c.group = c.device.usb ? 0 : 1;
        found.push_back(std::move(c));
    }

    // Serial-looking nodes that sysfs does not know (links to other devices, for instance).
    for (const auto &entry : fs::directory_iterator(devdir, ec)) {
        const std::string name = entry.path().filename().string();
        if (!serialLookingName(name) || known.count(name) || console.count(name))
            continue;
        dev_t rdev{};
        if (!isCharacterDevice(entry.path(), &rdev) || consoleNodes.count(rdev))
            continue; // dangling links, plain files
        Candidate c;
        c.device.name = name;
        c.device.devicePath = entry.path().string();
        std::error_code targetError;
        const fs::path target = fs::canonical(entry.path(), targetError);
        c.device.description = targetError ? entry.path().string() : target.string();
        c.device.usb = usbName(name);
        c.group = c.device.usb ? 0 : 2;
        found.push_back(std::move(c));
    }

    std::sort(found.begin(), found.end(), [](const Candidate &a, const Candidate &b) {
        if (a.group != b.group)
            return a.group < b.group;
        return naturalLess(a.device.name, b.device.name);
    });
    if (found.size() > static_cast<std::size_t>(kMaxPort))
        found.resize(kMaxPort);

    std::vector<SerialDevice> devices;
    devices.reserve(found.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        found[i].device.portNumber = static_cast<int>(i) + 1;
        devices.push_back(found[i].device);
    }
    for (int port = kMinPort; port <= kMaxPort; ++port)
        bindPort(port, port <= static_cast<int>(devices.size()) ? devices[port - 1].devicePath
                                                                : std::string());
    return devices;
}

} // namespace serialport
