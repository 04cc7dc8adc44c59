#include "retries.h"

#include "installerlog.h"
#include "prompt.h"

#include <cstring>
#include <thread>

namespace updater {

bool withRetries(const std::string &destination, CopyRunServices &services,
                 const std::string &roundLine, const std::function<int()> &attempt)
{
    for (;;) {
        if (!roundLine.empty())
            services.log.write(roundLine);
        int error = 0;
        for (int i = 0; i < services.retry.tries; ++i) {
            error = attempt();
            if (error == 0)
                return true;
            std::this_thread::sleep_for(services.retry.pause);
        }
        char buffer[256];
        services.log.write("Error: the last try failed, error code: " + std::to_string(error) +
                           ", " + strerror_r(error, buffer, sizeof buffer));
        services.log.write("Error: failed to copy, asking to retry..");
        const std::string text =
            "Failed to update quorvel :(\n" + destination + " is not accessible.";
        if (services.prompt.retryCancel(kBoxTitle, text) != Prompt::Answer::Retry)
            return false;
    }
}

} // namespace updater
