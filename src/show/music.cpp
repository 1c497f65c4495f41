// The background music: given to the player once, restarted at its end while
// the show plays.
#include "form1.h"
#include "platform/error.h"
#include "settings/ini.h"
#include "show/end_test.h"

bool Form1::MusicWanted() { return ReadSetting(ini::kSound, ini::kSoundDefault) == L"1"; }

std::wstring Form1::MusicFile() { return ReadSetting(ini::kPath, ini::kPathDefault) + L"Trevlin.wma"; }

// Opening the music takes about as long as placing and starting the video:
// begun before those, it is ready to play when the video starts, and both are
// heard together. Not before the video's graph is built: two graphs built at
// once have come up with one of them silent. Only a head start: whatever
// fails here, PlayMp3 meets again.
void Form1::PrepareMp3() {
    try {
        p_.player.Prepare(MusicFile());
    } catch (const platform::Error&) {
    }
}

void Form1::PlayMp3() {
    p_.player.put_URL(MusicFile());
    musicGiven_ = true;
    p_.player.controls()->play();
}

// The end test's moment can be a few milliseconds long (a track of 200.51 s
// holds it for 10 ms), and a late timer can sleep past it: a track seen
// playing that has stopped at its end is started again as well, so the music
// never stops for good.
void Form1::LoopMp3() {
    const std::int32_t state = p_.player.playState();
    if (state != platform::wmppsPlaying) {
        if (show::AboutToPlay(state)) {
            const std::uint32_t now = p_.power.TickCount();
            if (!musicOpeningSince_) musicOpeningSince_ = now;
            wake_.Opening(now - *musicOpeningSince_);  // unsigned: right across the count's wrap
            return;
        }
        musicOpeningSince_.reset();
        // Not looked at again soon: a track that stops at once, damaged, is
        // tried again at the loop's own pace and no faster.
        if (musicPlayed_ && show::StoppedAtEnd(state)) RestartMp3();
        return;
    }
    musicOpeningSince_.reset();
    musicPlayed_ = true;
    const double position = p_.player.controls()->get_currentPosition();
    const double duration = p_.player.currentMedia()->get_duration();
    if (AtEnd(position, duration) || MusicStandsStill(position)) {
        RestartMp3();
        wake_.Soon();
    } else {
        wake_.Clip(position, duration, show::kNormalRate);
    }
}

// A player that reports playing while its position stands still (a renderer
// that stalled at a rewind) has stopped all the same.
bool Form1::MusicStandsStill(double position) {
    return musicStill_.Look(position, p_.power.TickCount()) == show::Motion::Stalled;
}

void Form1::RestartMp3() {
    p_.player.controls()->put_currentPosition(0.0);
    p_.player.controls()->play();
}
