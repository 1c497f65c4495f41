#pragma once
// A Media Foundation session playing one file: the video drawn into a window
// of ours, stretched over its inner area, the soundtrack to the speakers. The
// second way to play the video, for files DirectShow cannot render. Every
// call throws platform::Error on a failure code.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/video_part.h"
#include "platform/wake_up.h"

namespace platform {

// Wakes the window's wait when the session reports the end of its streams.
class MediaSession : public WakeUp {
public:
    virtual void SetMasterVolume(float level) = 0;  // 0 silent, 1 full
    virtual void Start() = 0;                       // from where it stands
    // Before the first Start: where that Start begins, in seconds.
    virtual void Seek(double seconds) = 0;
    // From the beginning, as soon as the platform can: at once, or, where it
    // cannot seek while playing, the moment it reaches its end. Until it has
    // started again, the position reads 0 and the end is not reported.
    virtual void Restart() = 0;
    // The presentation clock and the file's length, in seconds.
    virtual double Position() = 0;
    virtual double Duration() = 0;
    // The session reported the end of its streams since it last started.
    virtual bool Ended() = 0;
    // The session has reported an error, the loss of its audio device, or a
    // stop nobody asked for: it plays no more.
    virtual bool Broken() = 0;
    // Form1's part of the picture, stretched over its inner area as it is
    // now, and, where the session draws into more windows than Form1, those
    // windows as they are now: for after the window or the monitors changed.
    virtual void Place(const Part& part, const std::vector<VideoTarget>& others) = 0;
};

class MediaSessions {
public:
    virtual ~MediaSessions() = default;
    // Opens file and readies its topology, video into form, Form1's window,
    // and, from the same decode and at the same moments, into others. With
    // painted, the picture is drawn by our own painter even into form alone
    // (where the platform's renderer stood still before). May wait on the
    // file and its decoders for good; throws where the platform has no Media
    // Foundation or cannot play the file.
    virtual std::unique_ptr<MediaSession> Open(const std::wstring& file, const VideoTarget& form,
                                               const std::vector<VideoTarget>& others, bool painted) = 0;
};

}  // namespace platform
