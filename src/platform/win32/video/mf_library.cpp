#include "platform/win32/video/mf_library.h"

#include <mfapi.h>

#include <utility>

#include "platform/win32/hresult.h"

namespace win32 {

const Mf& LoadMf() {
    static const std::pair<Mf, HRESULT> loaded = [] {
        Mf mf;
        HMODULE plat = LoadLibraryExW(L"mfplat.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        HMODULE core = plat ? LoadLibraryExW(L"mf.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32) : nullptr;
        if (!core) return std::make_pair(mf, HRESULT_FROM_WIN32(GetLastError()));
        mf.startup = ProcAddress<decltype(mf.startup)>(plat, "MFStartup");
        mf.createSourceResolver = ProcAddress<decltype(mf.createSourceResolver)>(plat, "MFCreateSourceResolver");
        mf.createMediaSession = ProcAddress<decltype(mf.createMediaSession)>(core, "MFCreateMediaSession");
        mf.createTopology = ProcAddress<decltype(mf.createTopology)>(core, "MFCreateTopology");
        mf.createTopologyNode = ProcAddress<decltype(mf.createTopologyNode)>(core, "MFCreateTopologyNode");
        mf.createVideoRendererActivate =
            ProcAddress<decltype(mf.createVideoRendererActivate)>(core, "MFCreateVideoRendererActivate");
        mf.createAudioRendererActivate =
            ProcAddress<decltype(mf.createAudioRendererActivate)>(core, "MFCreateAudioRendererActivate");
        mf.getService = ProcAddress<decltype(mf.getService)>(core, "MFGetService");
        mf.createMediaType = ProcAddress<decltype(mf.createMediaType)>(plat, "MFCreateMediaType");
        mf.createSampleGrabberSinkActivate =
            ProcAddress<decltype(mf.createSampleGrabberSinkActivate)>(core, "MFCreateSampleGrabberSinkActivate");
        if (!mf.startup || !mf.createSourceResolver || !mf.createMediaSession || !mf.createTopology ||
            !mf.createTopologyNode || !mf.createVideoRendererActivate || !mf.createAudioRendererActivate ||
            !mf.getService || !mf.createMediaType || !mf.createSampleGrabberSinkActivate)
            return std::make_pair(mf, HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND));
        return std::make_pair(mf, mf.startup(MF_VERSION, MFSTARTUP_FULL));
    }();
    ThrowIfFailed(loaded.second);
    return loaded.first;
}

}  // namespace win32
