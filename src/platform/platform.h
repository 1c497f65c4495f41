#pragma once
// Everything the product calls on Windows, handed to Form1 and ini::Main.
#include "platform/background.h"
#include "platform/cursor.h"
#include "platform/media_graph.h"
#include "platform/media_player.h"
#include "platform/media_session.h"
#include "platform/monitors.h"
#include "platform/mouse_device.h"
#include "platform/policies.h"
#include "platform/power.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "platform/window.h"

namespace platform {

struct Platform {
    Process& process;
    Profile& profile;
    FormWindow& window;
    WindowApi& windows;
    Cursor& cursor;
    Shell& shell;
    MediaGraphs& graphs;
    MediaSessions& sessions;  // where the graphs cannot render the video
    MediaPlayer& player;
    DirectX& directx;
    Background& background;
    Monitors& monitors;
    Power& power;
    Policies& policies;  // read through ini::ReadSetting, over the settings file
};

}  // namespace platform
