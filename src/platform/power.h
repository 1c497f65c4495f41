#pragma once
// The power plan's display timer, the idle clock it counts from, and the
// display's state as Windows reports it.
#include <cstdint>

namespace platform {

// How a reading of the plan's "turn off the display after" came out. Every
// outcome but Read means the plan cannot say, which the saver takes as never.
enum class PlanRead { Read, NoLibrary, NoFunction, Failed };

struct DisplayTimeout {
    PlanRead read = PlanRead::NoLibrary;
    std::uint32_t seconds = 0;  // when read; 0 is the plan's own "never"
};

// Whether anyone holds a request for the display, as far as the system tells.
enum class DisplayRequests { None, Held, Unknown };

enum class DisplayState { Unreported, Off, On, Dimmed };

// What the system has reported since the last look.
struct PowerNews {
    DisplayState display = DisplayState::Unreported;  // the latest reported
    bool sourceChanged = false;                         // mains to battery or back
};

class Power {
public:
    virtual ~Power() = default;
    virtual bool OnBattery() = 0;
    // The active plan's value for the power source named.
    virtual DisplayTimeout ReadDisplayTimeout(bool battery) = 0;
    // The system's tick counter (milliseconds, wrapping at 2^32), and its
    // value at the last input of the session.
    virtual std::uint32_t TickCount() = 0;
    virtual std::uint32_t LastInputTick() = 0;
    // Every request in the system, this process's own among them: another
    // program's only once the saver's media are gone.
    virtual DisplayRequests DisplayRequested() = 0;
    // The session is locked, as last reported to the watched window: the
    // lock screen is up, and nothing of the show may be seen or heard.
    virtual bool SessionLocked() = 0;
    // Asks the system, through the window's default handling, to turn the
    // display off.
    virtual void TurnDisplayOff(std::intptr_t window) = 0;
    // From now on the window hears of display, power source and lock changes.
    virtual void WatchDisplay(std::intptr_t window) = 0;
    virtual PowerNews TakeNews() = 0;
};

}  // namespace platform
