#pragma once
// The media player control Mp3 with the objects it hands out. Every call throws
// platform::Error on a failure; a fetched object is dropped right after use.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class PlayerControls {
public:
    virtual ~PlayerControls() = default;
    virtual void play() = 0;
    virtual double get_currentPosition() = 0;
    virtual void put_currentPosition(double seconds) = 0;
};

class PlayerMedia {
public:
    virtual ~PlayerMedia() = default;
    virtual double get_duration() = 0;
};

// Play states the product tells apart.
constexpr std::int32_t wmppsStopped = 1;
constexpr std::int32_t wmppsPlaying = 3;
constexpr std::int32_t wmppsMediaEnded = 8;
// On the way to playing: a file is being opened or filled in.
constexpr std::int32_t wmppsBuffering = 6;
constexpr std::int32_t wmppsWaiting = 7;
constexpr std::int32_t wmppsTransitioning = 9;

class MediaPlayer {
public:
    virtual ~MediaPlayer() = default;
    virtual void put_URL(const std::wstring& url) = 0;
    // The file that put_URL will most likely be given next, known early: a
    // player may open it meanwhile, so that it plays at once when given. Plays
    // nothing itself and reports nothing new.
    virtual void Prepare(const std::wstring& url) = 0;
    virtual std::unique_ptr<PlayerControls> controls() = 0;
    virtual std::unique_ptr<PlayerMedia> currentMedia() = 0;
    virtual std::int32_t playState() = 0;
    // Closes the file: nothing of it plays or stays open (no audio stream, no
    // decoder's thread) until put_URL gives one again.
    virtual void close() = 0;
};

}  // namespace platform
