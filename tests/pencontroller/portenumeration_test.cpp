#include "portenumeration.h"
#include "serialdevices.h"
#include "serialport.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include <pty.h>
#include <unistd.h>

namespace fs = std::filesystem;
using serialport::SerialDevice;

namespace {

// A pseudo-terminal that stands for one serial device node.
class Pty
{
public:
    Pty()
    {
        char name[128] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0)
            m_path = name;
    }
    ~Pty()
    {
        ::close(m_master);
        ::close(m_slave);
    }
    const std::string &path() const { return m_path; }
    int master() const { return m_master; }

private:
    int m_master = -1, m_slave = -1;
    std::string m_path;
};

// A sysfs tty class folder and a device folder of its own, with the roots redirected to them.
class Trees
{
public:
    Trees()
    {
        fs::create_directories(sysfs());
        fs::create_directories(dev());
        ::setenv("SCRIVLO_SERIAL_SYSFS", sysfs().c_str(), 1);
        ::setenv("SCRIVLO_SERIAL_DEVDIR", dev().c_str(), 1);
    }
    fs::path sysfs() const { return m_root / "sys/class/tty"; }
    fs::path devices() const { return m_root / "sys/devices"; }
    fs::path dev() const { return m_root / "dev"; }

    // A tty that sysfs knows, with its device folder at `deviceDir` (under sys/devices).
    void ttyEntry(const std::string &name, const std::string &deviceDir, const char *type = nullptr)
    {
        const fs::path entry = sysfs() / name;
        fs::create_directories(entry);
        if (!deviceDir.empty()) {
            fs::create_directories(devices() / deviceDir);
            fs::create_directory_symlink(devices() / deviceDir, entry / "device");
        }
        if (type)
            testsupport::writeFile(entry / "type", std::string(type) + "\n");
    }
    fs::path node(const std::string &name, const Pty &pty)
    {
        fs::create_symlink(pty.path(), dev() / name);
        return dev() / name;
    }
    const fs::path &root() const { return m_root; }

private:
    testsupport::TempDir m_dir{"pen-ports"};
    fs::path m_root = m_dir.path();
};

} // namespace

TEST(PortListing, NumbersUsbFirstAndSkipsWhatIsNoPort)
{
    Trees t;
    Pty usb, acm, uart, phantom, console, vc, folderOnly;
    // A USB adapter with its product name two folders above the tty.
    t.ttyEntry("ttyUSB0", "pci0/usb1/1-1/1-1:1.0/ttyUSB0");
    testsupport::writeFile(t.devices() / "pci0/usb1/1-1/product", "Pen Receiver\n");
    t.node("ttyUSB0", usb);
    // A real UART and a slot without a chip.
    t.ttyEntry("ttyS1", "pnp0/00:01", "4");
    t.node("ttyS1", uart);
    t.ttyEntry("ttyS2", "platform/serial8250", "0");
    t.node("ttyS2", phantom);
    // The kernel console and a virtual console.
    t.ttyEntry("ttyS0", "pnp0/00:00", "4");
    t.node("ttyS0", console);
    testsupport::writeFile(t.sysfs() / "console/active", "ttyS0 tty0\n");
    t.ttyEntry("tty1", "");
    t.node("tty1", vc);
    // Nodes only the device folder knows: a USB modem name, a link, a dangling link, a file.
    t.node("ttyACM0", acm);
    t.node("ttyS7", folderOnly);
    fs::create_symlink(t.root() / "gone", t.dev() / "ttyUSB9");
    testsupport::writeFile(t.dev() / "ttyS8", "not a device");

    const std::vector<SerialDevice> devices = serialport::listSerialDevices();
    ASSERT_EQ(devices.size(), 4u);
    const struct
    {
        const char *name;
        std::string description;
        bool usb;
    } expected[] = {
        {"ttyACM0", acm.path(), true},
        {"ttyUSB0", "Pen Receiver", true},
        {"ttyS1", "Communications Port", false},
        {"ttyS7", folderOnly.path(), false},
    };
    for (std::size_t i = 0; i < devices.size(); ++i) {
        EXPECT_EQ(devices[i].portNumber, static_cast<int>(i) + 1);
        EXPECT_EQ(devices[i].name, expected[i].name);
        EXPECT_EQ(devices[i].description, expected[i].description) << expected[i].name;
        EXPECT_EQ(devices[i].usb, expected[i].usb) << expected[i].name;
        EXPECT_EQ(serialport::boundPath(devices[i].portNumber),
                  (t.dev() / expected[i].name).string());
    }
    EXPECT_EQ(serialport::boundPath(5), "");
}

TEST(PortListing, FillsThePortTableAndOpensByNumber)
{
    Trees t;
    Pty a, b;
    t.node("ttyUSB10", a);
    t.node("ttyUSB2", b);

    scrivlo::PortTable table;
    table.entries[200].present = 1; // left over from an earlier listing
    ASSERT_TRUE(scrivlo::enumerateComPorts(table));
    EXPECT_EQ(scrivlo::presentPortNumbers(table), (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(table.entries[0].portNumber, 1);
    EXPECT_STREQ(table.entries[0].description, b.path().c_str()); // ttyUSB2 before ttyUSB10
    EXPECT_STREQ(table.entries[1].description, a.path().c_str());

    // Port 2 is the device behind ttyUSB10.
    ASSERT_EQ(serialport::open(2), serialport::kOk);
    const std::uint8_t byte = 0x5A;
    ASSERT_EQ(serialport::write(2, &byte, 1), 1);
    std::uint8_t got = 0;
    EXPECT_EQ(::read(a.master(), &got, 1), 1);
    EXPECT_EQ(got, 0x5A);
    serialport::close(2);
}

TEST(PortListing, NoMoreThan255Ports)
{
    Trees t;
    Pty pty;
    for (int i = 0; i < 300; ++i)
        t.node("ttyS" + std::to_string(i), pty);
    scrivlo::PortTable table;
    scrivlo::enumerateComPorts(table);
    const auto ports = scrivlo::presentPortNumbers(table);
    ASSERT_EQ(ports.size(), 255u);
    EXPECT_EQ(ports.back(), 255);
    EXPECT_FALSE(table.entries[255].present);
    EXPECT_EQ(serialport::boundPath(255), (t.dev() / "ttyS254").string());
}

TEST(PortListing, EmptyOrMissingFoldersListNothing)
{
    Trees t;
    ::setenv("SCRIVLO_SERIAL_DEVDIR", (t.root() / "nowhere").c_str(), 1);
    EXPECT_TRUE(serialport::listSerialDevices().empty());
}

// On the machine itself: whatever is listed, the kernel console is not.
TEST(PortListing, NeverListsTheMachinesConsole)
{
    ::unsetenv("SCRIVLO_SERIAL_SYSFS");
    ::unsetenv("SCRIVLO_SERIAL_DEVDIR");
    std::ifstream active("/sys/class/tty/console/active");
    std::set<std::string> console;
    for (std::string name; active >> name;)
        console.insert(name);
    for (const SerialDevice &d : serialport::listSerialDevices())
        EXPECT_EQ(console.count(d.name), 0u) << d.name;
}
