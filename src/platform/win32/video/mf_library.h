#pragma once
// The Media Foundation functions the video's second path calls, from mfplat
// and mf loaded by hand at the first call: a run that never needs them never
// loads them, and a system without them (Windows N editions without the
// media pack) still starts.
#include "platform/win32/win.h"

#include <mfidl.h>

namespace win32 {

struct Mf {
    HRESULT(WINAPI* startup)(ULONG, DWORD) = nullptr;
    HRESULT(WINAPI* createSourceResolver)(IMFSourceResolver**) = nullptr;
    HRESULT(WINAPI* createMediaSession)(IMFAttributes*, IMFMediaSession**) = nullptr;
    HRESULT(WINAPI* createTopology)(IMFTopology**) = nullptr;
    HRESULT(WINAPI* createTopologyNode)(MF_TOPOLOGY_TYPE, IMFTopologyNode**) = nullptr;
    HRESULT(WINAPI* createVideoRendererActivate)(HWND, IMFActivate**) = nullptr;
    HRESULT(WINAPI* createAudioRendererActivate)(IMFActivate**) = nullptr;
    HRESULT(WINAPI* getService)(IUnknown*, REFGUID, REFIID, void**) = nullptr;
    HRESULT(WINAPI* createMediaType)(IMFMediaType**) = nullptr;
    HRESULT(WINAPI* createSampleGrabberSinkActivate)(IMFMediaType*, IMFSampleGrabberSinkCallback*,
                                                     IMFActivate**) = nullptr;
};

// Loaded and started once, kept for the rest of the process; throws where
// the system has no Media Foundation.
const Mf& LoadMf();

}  // namespace win32
