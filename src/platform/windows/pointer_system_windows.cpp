#include <windows.h>

#include "platform/pointer_system.h"

namespace z7 {
namespace {

constexpr UINT kLive = SPIF_SENDCHANGE;
constexpr UINT kSaved = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;

class SpiPointerSystem final : public PointerSystem {
public:
    bool SetMouseSpeed(int speed) override {
        // Windows reads pvParam; some compatible implementations read uiParam. Both carry it.
        return ::SystemParametersInfoW(SPI_SETMOUSESPEED, static_cast<UINT>(speed),
                                       reinterpret_cast<void*>(static_cast<INT_PTR>(speed)), kLive);
    }
    bool SetMouseAcceleration(const std::array<int, 3>& v, bool persist) override {
        int values[3] = {v[0], v[1], v[2]};
        return ::SystemParametersInfoW(SPI_SETMOUSE, 0, values, persist ? kSaved : kLive);
    }
    bool SetSnapToDefaultButton(bool on) override {
        return ::SystemParametersInfoW(SPI_SETSNAPTODEFBUTTON, on ? 1 : 0, nullptr, kLive);
    }
    bool SetDoubleClickTime(unsigned milliseconds) override {
        return ::SystemParametersInfoW(SPI_SETDOUBLECLICKTIME, milliseconds, nullptr, kLive);
    }
    bool SetMouseTrails(unsigned length) override {
        return ::SystemParametersInfoW(SPI_SETMOUSETRAILS, length, nullptr, kLive);
    }
    bool SetMouseSonar(bool on) override {
        return ::SystemParametersInfoW(SPI_SETMOUSESONAR, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(on ? 1 : 0)), kLive);
    }
    bool SetWheelScrollLines(uint32_t lines, bool persist) override {
        return ::SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, lines, nullptr, persist ? kSaved : kLive);
    }
};

}  // namespace

std::unique_ptr<PointerSystem> CreatePointerSystem() { return std::make_unique<SpiPointerSystem>(); }

}  // namespace z7
