#include "simulationstate.h"

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>

namespace ilivesim {
namespace {

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (true) {
        const std::string::size_type end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

bool parseInteger(const std::string &text, long long &value)
{
    if (text.empty())
        return false;
    errno = 0;
    char *end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

bool parseInt(const std::string &text, int &value)
{
    long long wide = 0;
    if (!parseInteger(text, wide) || wide < INT32_MIN || wide > INT32_MAX)
        return false;
    value = static_cast<int>(wide);
    return true;
}

std::vector<std::string> listOf(const std::string &value)
{
    return value.empty() ? std::vector<std::string>() : split(value, ',');
}

bool parseDevices(const std::string &value, std::vector<Device> &devices)
{
    devices.clear();
    for (const std::string &item : listOf(value)) {
        const std::string::size_type slash = item.find('/');
        if (slash == std::string::npos)
            return false;
        devices.push_back({item.substr(0, slash), item.substr(slash + 1)});
    }
    return true;
}

bool parseOutcome(const std::string &value, Outcome &outcome)
{
    if (value == "ok") {
        outcome = Outcome();
        return true;
    }
    const std::string prefix = "error:";
    if (value.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::string rest = value.substr(prefix.size());
    const std::string::size_type colon = rest.find(':');
    int code = 0;
    if (!parseInt(rest.substr(0, colon), code))
        return false;
    outcome.success = false;
    outcome.code = code;
    outcome.description = colon == std::string::npos ? std::string() : rest.substr(colon + 1);
    return true;
}

bool applyItem(const std::string &key, const std::string &value)
{
    static const std::map<std::string, Request> requests = {
        {"login", Request::Login},
        {"logout", Request::Logout},
        {"createRoom", Request::CreateRoom},
        {"quitRoom", Request::QuitRoom},
        {"startPushStream", Request::StartPushStream},
        {"stopPushStream", Request::StopPushStream},
        {"startRecordVideo", Request::StartRecordVideo},
        {"stopRecordVideo", Request::StopRecordVideo},
    };
    State &s = state();
    const auto request = requests.find(key);
    if (request != requests.end()) {
        Outcome outcome;
        if (!parseOutcome(value, outcome))
            return false;
        s.outcomes[static_cast<int>(request->second)] = outcome;
        return true;
    }
    if (key == "init")
        return parseInt(value, s.initResult);
    if (key == "probe")
        return parseInt(value, s.probeSupport);
    if (key == "version") {
        s.version = value;
        return true;
    }
    if (key == "cameras" || key == "mics") {
        std::vector<Device> devices;
        if (!parseDevices(value, devices))
            return false;
        (key == "cameras" ? s.cameras : s.microphones) = devices;
        return true;
    }
    if (key == "pushUrls") {
        s.pushUrls = listOf(value);
        s.pushUrlsScripted = true;
        return true;
    }
    if (key == "channel") {
        long long channel = 0;
        if (!parseInteger(value, channel) || channel < 0)
            return false;
        s.channelId = static_cast<std::uint64_t>(channel);
        return true;
    }
    if (key == "recordTexts") {
        s.stopRecordTexts = listOf(value);
        s.stopRecordTextsScripted = true;
        return true;
    }
    return false;
}

} // namespace

bool applyScript(const std::string &script)
{
    bool understood = true;
    for (const std::string &item : split(script, ';')) {
        if (item.empty())
            continue;
        const std::string::size_type equals = item.find('=');
        if (equals == std::string::npos ||
            !applyItem(item.substr(0, equals), item.substr(equals + 1)))
            understood = false;
    }
    return understood;
}

void applyEnvironmentOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (const char *script = std::getenv("ILIVE_SIMULATION"))
            applyScript(script);
    });
}

} // namespace ilivesim
