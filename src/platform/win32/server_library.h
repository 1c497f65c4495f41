#pragma once
// In-process COM objects made from their server's library loaded by us, so
// that the library can be let go again.
#include "platform/win32/win.h"
#include <objbase.h>

namespace win32 {

// A server library loaded by us rather than by COM. COM keeps a library it
// loaded until the server agrees to go, and some never do: a control tried
// and refused would keep its library, and all the libraries that one brought,
// for the rest of the run. This one is freed with the object, unless kept.
// Whoever made objects from it releases them all first.
class ServerLibrary {
public:
    ServerLibrary() = default;
    ~ServerLibrary();
    ServerLibrary(const ServerLibrary&) = delete;
    ServerLibrary& operator=(const ServerLibrary&) = delete;

    // Makes an instance of clsid. Where the registration names an in-process
    // server that this apartment may call directly, from that server's
    // library, loaded here; otherwise as COM would, and nothing is freed.
    HRESULT Create(REFCLSID clsid, REFIID iid, void** object);
    // For objects that stay: the library stays for the rest of the process.
    void Keep() { module_ = nullptr; }

private:
    HMODULE module_ = nullptr;
};

}  // namespace win32
