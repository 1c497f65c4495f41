#pragma once
// The video through a Media Foundation session, for files DirectShow cannot
// render: the enhanced video renderer into our window, or, for more than one
// window, a sample grabber and our painter (mf_grabber.h); the streaming audio
// renderer for the soundtrack. mfplat and mf are loaded at the first Open, so
// that a run that never needs them never loads them.
#include <memory>

#include "platform/media_session.h"

namespace win32 {

class MediaSessions final : public platform::MediaSessions {
public:
    std::unique_ptr<platform::MediaSession> Open(const std::wstring& file, const platform::VideoTarget& form,
                                                 const std::vector<platform::VideoTarget>& others, bool alwaysPainted) override;
};

}  // namespace win32
