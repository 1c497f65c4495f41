#pragma once
// The video through a Media Foundation session, for files DirectShow cannot
// render: the enhanced video renderer into our window, the streaming audio
// renderer for the soundtrack. mfplat and mf are loaded at the first Open, so
// that a run that never needs them never loads them.
#include <memory>

#include "platform/media_session.h"

namespace win32 {

class MediaSessions final : public platform::MediaSessions {
public:
    std::unique_ptr<platform::MediaSession> Open(const std::wstring& file, std::intptr_t window) override;
};

}  // namespace win32
