#pragma once
// The DirectShow filter graph, one small interface per COM interface the
// product calls. Every call throws platform::Error on a failure code.
// Dropping a pointer releases that reference; the graph lives while any is held.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/video_part.h"
#include "platform/wake_up.h"

namespace platform {

class BasicAudio {
public:
    virtual ~BasicAudio() = default;
    virtual void put_Volume(std::int32_t hundredthsOfDb) = 0;
    virtual void put_Balance(std::int32_t balance) = 0;
};

class VideoWindow {
public:
    virtual ~VideoWindow() = default;
    virtual void put_WindowStyle(std::int32_t style) = 0;
    virtual void put_Top(std::int32_t top) = 0;
    virtual void put_Left(std::int32_t left) = 0;
    virtual void put_Width(std::int32_t width) = 0;
    virtual void put_Height(std::int32_t height) = 0;
    virtual void put_Owner(std::intptr_t owner) = 0;
    virtual void put_FullScreenMode(std::int32_t mode) = 0;
    virtual void put_MessageDrain(std::intptr_t drain) = 0;
    // The video's window shown (OATRUE, -1) or hidden (0).
    virtual void put_Visible(std::int32_t visible) = 0;
};

class MediaPosition {
public:
    virtual ~MediaPosition() = default;
    virtual void put_Rate(double rate) = 0;
    virtual double get_CurrentPosition() = 0;
    virtual double get_Duration() = 0;
    virtual void put_CurrentPosition(double seconds) = 0;
};

// The graph's notifications (IMediaEventEx). The window's wait wakes when the
// graph posts one, the end of the stream among them, and taking the news
// empties the queue; of them all, only an error that stops the graph counts.
class MediaEvent : public WakeUp {
public:
    // The graph has reported an error that stops it (its streaming aborted,
    // its audio device gone) since it was made.
    virtual bool Broken() = 0;
};

// What the graph connected to a renderer, read from its pins: the result
// codes of RenderFile differ between systems, and a partial render may have
// lost the sound and kept the picture, or the other way round.
struct Rendered {
    bool video = false;
    bool sound = false;
};

class MediaControl {
public:
    virtual ~MediaControl() = default;
    // Throws only where the graph could not be asked at all.
    virtual Rendered RenderFile(const std::wstring& filename) = 0;
    virtual void Run() = 0;
    virtual void Stop() = 0;
    virtual std::unique_ptr<BasicAudio> QueryBasicAudio() = 0;
    virtual std::unique_ptr<VideoWindow> QueryVideoWindow() = 0;
    virtual std::unique_ptr<MediaPosition> QueryMediaPosition() = 0;
    // Shows every picture the graph decodes in these windows too, each one's
    // part stretched over its inner area, at the moment the graph's own video
    // window shows it. First made before the graph first runs; a later call,
    // while it runs, changes the windows and their parts.
    virtual void MirrorVideoTo(const std::vector<VideoTarget>& windows) = 0;
    // The graph's own video window shows only this part of the picture.
    virtual void ShowPart(const Part& part) = 0;
    virtual std::unique_ptr<MediaEvent> QueryMediaEvent() = 0;
};

class MediaGraphs {
public:
    virtual ~MediaGraphs() = default;
    // A new graph object of the platform class FilgraphManager.
    virtual std::unique_ptr<MediaControl> CreateFilgraphManager() = 0;
};

}  // namespace platform
