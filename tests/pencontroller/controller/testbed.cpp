#include "testbed.h"

#include <cstdlib>

namespace fs = std::filesystem;

TestBed::TestBed() : m_sysfs(m_root / "sys"), m_dev(m_root / "dev")
{
    fs::create_directories(m_sysfs);
    fs::create_directories(m_dev);
    ::setenv("SCRIVLO_SERIAL_SYSFS", m_sysfs.c_str(), 1);
    ::setenv("SCRIVLO_SERIAL_DEVDIR", m_dev.c_str(), 1);
    addPort("ttyUSB0");
    m_device = std::make_unique<pensim::PenDevice>(*m_simulators.front());
    m_library = std::make_unique<PenLibrary>();
}

pensim::PenSimulator &TestBed::addPort(const std::string &name)
{
    m_simulators.push_back(std::make_unique<pensim::PenSimulator>());
    m_simulators.back()->linkInto(m_dev, name);
    return *m_simulators.back();
}

void TestBed::removePort(const std::string &name)
{
    fs::remove(m_dev / name);
}

pensim::Bytes commandFrame(std::uint8_t target, std::uint8_t code,
                           std::initializer_list<std::uint8_t> arguments)
{
    pensim::Bytes frame{0xFE, target, static_cast<std::uint8_t>(arguments.size() + 2), code,
                        static_cast<std::uint8_t>(arguments.size())};
    frame.insert(frame.end(), arguments.begin(), arguments.end());
    return frame;
}

pensim::Bytes commandFrame(std::uint8_t target, std::uint8_t code, const std::string &arguments,
                           std::initializer_list<std::uint8_t> prefix)
{
    const std::size_t n = prefix.size() + arguments.size();
    pensim::Bytes frame{0xFE, target, static_cast<std::uint8_t>(n + 2), code,
                        static_cast<std::uint8_t>(n)};
    frame.insert(frame.end(), prefix.begin(), prefix.end());
    frame.insert(frame.end(), arguments.begin(), arguments.end());
    return frame;
}

std::vector<pensim::Bytes> frames(const std::vector<pensim::Command> &commands)
{
    std::vector<pensim::Bytes> out;
    for (const auto &c : commands)
        out.push_back(c.bytes);
    return out;
}

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}
