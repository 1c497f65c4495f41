// The background music: given to the player once, restarted at its end while
// the player reports playing.
#include "form1.h"
#include "settings/ini.h"
#include "show/end_test.h"

void Form1::PlayMp3() {
    p_.player.put_URL(ReadSetting(ini::kPath, ini::kPathDefault) + L"Trevlin.wma");
    musicGiven_ = true;
    p_.player.controls()->play();
}

void Form1::LoopMp3() {
    const std::int32_t state = p_.player.playState();
    if (state != platform::wmppsPlaying) {
        // A short track could start and end between two long sleeps.
        if (show::AboutToPlay(state)) wake_.Soon();
        return;
    }
    const double position = p_.player.controls()->get_currentPosition();
    const double duration = p_.player.currentMedia()->get_duration();
    if (AtEnd(position, duration)) {
        p_.player.controls()->put_currentPosition(0.0);
        p_.player.controls()->play();
        wake_.Soon();
    } else {
        wake_.Clip(position, duration, show::kNormalRate);
    }
}
