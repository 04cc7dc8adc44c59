#pragma once

#include "pendevice.h"
#include "penlibrary.h"
#include "pensimulator.h"
#include "tempdir.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

// A folder of serial ports of its own (so the machine's ports are never touched), the simulated
// receiver with its pen on port 1, and the built library loaded with dlopen.
class TestBed
{
public:
    TestBed();

    // Another receiver on the next port name; the device folder lists it after the others.
    pensim::PenSimulator &addPort(const std::string &name);
    void removePort(const std::string &name);

    PenLibrary &library() { return *m_library; }
    pensim::PenSimulator &simulator() { return *m_simulators.front(); }
    pensim::PenDevice &device() { return *m_device; }
    const std::filesystem::path &deviceFolder() const { return m_dev; }
    void unload() { m_library.reset(); }

private:
    testsupport::TempDir m_root;
    std::filesystem::path m_sysfs;
    std::filesystem::path m_dev;
    std::vector<std::unique_ptr<pensim::PenSimulator>> m_simulators;
    std::unique_ptr<pensim::PenDevice> m_device;
    std::unique_ptr<PenLibrary> m_library;
};

// A command frame as the library writes it.
pensim::Bytes commandFrame(std::uint8_t target, std::uint8_t code,
                           std::initializer_list<std::uint8_t> arguments);
pensim::Bytes commandFrame(std::uint8_t target, std::uint8_t code, const std::string &arguments,
                           std::initializer_list<std::uint8_t> prefix = {});

std::vector<pensim::Bytes> frames(const std::vector<pensim::Command> &commands);

// Milliseconds since `start`.
double msSince(std::chrono::steady_clock::time_point start);
