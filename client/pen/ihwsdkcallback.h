#pragma once

// What the pen library's callbacks reach: one real-time point in the pen frame (the page turned a
// quarter, 15000 units to the drawing area's height), and a pen that has connected. Nothing is
// ever deleted through this interface.
class IHwSdkCallback
{
public:
    virtual void onRealTimePenData(int x, int y, int pressure) = 0;
    virtual void onConnectDeviceSuccess() = 0;

protected:
    ~IHwSdkCallback() = default;
};
