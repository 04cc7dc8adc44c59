#include "simulationstate.h"

#include <cstdio>
#include <string>

namespace ilivesim {
namespace {

class SimulatedRootView final : public ILiveRootView
{
public:
    SimulatedRootView() { ++state().rootViewsAlive; }

    bool attachWindow(std::uintptr_t nativeWindow) override
    {
        record("rootView.attachWindow(" + std::to_string(nativeWindow) + ")");
        return true;
    }

    void detachWindow() override { record("rootView.detachWindow()"); }

    void release() override
    {
        record("rootView.release()");
        --state().rootViewsAlive;
        delete this;
    }

    int probeSupport() override
    {
        record("rootView.probeSupport()");
        return state().probeSupport;
    }

    void setBackgroundColor(std::uint32_t argb) override
    {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08x", argb);
        record(std::string("rootView.setBackgroundColor(") + hex + ")");
    }

    void setScaleMode(int mode) override
    {
        record("rootView.setScaleMode(" + std::to_string(mode) + ")");
    }

    void unusedSlot6() override {}
    void unusedSlot7() override {}

    bool startRender(const SdkString &streamId, int source, const SdkRenderOption &option,
                     int flags) override
    {
        record("rootView.startRender(" + std::string(streamId.c_str()) + "," +
               std::to_string(source) + ",{" + std::to_string(option.layout) + "," +
               std::to_string(option.mirrored ? 1 : 0) + "," + std::to_string(option.area[0]) +
               "," + std::to_string(option.area[1]) + "," + std::to_string(option.area[2]) + "," +
               std::to_string(option.area[3]) + "," + std::to_string(option.scale) + "}," +
               std::to_string(flags) + ")");
        return true;
    }

    void unusedSlot9() override {}

    bool stopRender(int flags) override
    {
        record("rootView.stopRender(" + std::to_string(flags) + ")");
        return true;
    }

private:
    ~SimulatedRootView() = default;
};

} // namespace
} // namespace ilivesim

extern "C" ILiveRootView *iLiveCreateRootView()
{
    ilivesim::applyEnvironmentOnce();
    ilivesim::record("createRootView()");
    return new ilivesim::SimulatedRootView;
}
