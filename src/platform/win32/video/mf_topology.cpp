#include "platform/win32/video/mf_topology.h"

#include <mfapi.h>
#include <evr.h>

#include "platform/win32/hresult.h"

namespace win32 {
namespace {

// Not in the toolchain's headers. Wine resolves no decoder for a source
// stream without it (MF_E_TOPO_CODEC_NOT_FOUND).
const GUID kEnumerateSourceTypes = {0x6248c36d, 0x5d0b, 0x4f40, {0xa0, 0xbb, 0xb0, 0xb3, 0x05, 0xf7, 0x76, 0x98}};

}  // namespace

// Each selected video and audio stream, from the source to its renderer;
// other streams are left out.
ComPtr<IMFTopology> Topology(const Mf& mf, IMFMediaSource& source, IMFPresentationDescriptor& pd,
                             const VideoSink& videoSink, bool sound) {
    ComPtr<IMFTopology> topology;
    ThrowIfFailed(mf.createTopology(topology.put()));
    ThrowIfFailed(topology->SetUINT32(kEnumerateSourceTypes, TRUE));
    DWORD count = 0;
    ThrowIfFailed(pd.GetStreamDescriptorCount(&count));
    for (DWORD i = 0; i < count; ++i) {
        BOOL selected = FALSE;
        ComPtr<IMFStreamDescriptor> stream;
        ThrowIfFailed(pd.GetStreamDescriptorByIndex(i, &selected, stream.put()));
        if (!selected) continue;
        ComPtr<IMFMediaTypeHandler> handler;
        GUID major = GUID_NULL;
        ThrowIfFailed(stream->GetMediaTypeHandler(handler.put()));
        ThrowIfFailed(handler->GetMajorType(&major));
        ComPtr<IMFActivate> renderer;
        if (major == MFMediaType_Video) {
            renderer = videoSink(*handler.get());
        } else if (major == MFMediaType_Audio && sound) {
            ThrowIfFailed(mf.createAudioRendererActivate(renderer.put()));
        } else {
            ThrowIfFailed(pd.DeselectStream(i));
            continue;
        }
        ComPtr<IMFTopologyNode> from, to;
        ThrowIfFailed(mf.createTopologyNode(MF_TOPOLOGY_SOURCESTREAM_NODE, from.put()));
        ThrowIfFailed(from->SetUnknown(MF_TOPONODE_SOURCE, &source));
        ThrowIfFailed(from->SetUnknown(MF_TOPONODE_PRESENTATION_DESCRIPTOR, &pd));
        ThrowIfFailed(from->SetUnknown(MF_TOPONODE_STREAM_DESCRIPTOR, stream.get()));
        ThrowIfFailed(topology->AddNode(from.get()));
        ThrowIfFailed(mf.createTopologyNode(MF_TOPOLOGY_OUTPUT_NODE, to.put()));
        ThrowIfFailed(to->SetObject(renderer.get()));
        ThrowIfFailed(topology->AddNode(to.get()));
        ThrowIfFailed(from->ConnectOutput(0, to.get(), 0));
    }
    return topology;
}

// Waits, on the building thread, until the session has resolved the topology
// (the renderers exist from then on) or has failed to.
void WaitUntilReady(IMFMediaSession& session) {
    for (;;) {
        ComPtr<IMFMediaEvent> event;
        ThrowIfFailed(session.GetEvent(0, event.put()));
        HRESULT status = S_OK;
        ThrowIfFailed(event->GetStatus(&status));
        ThrowIfFailed(status);
        MediaEventType type = MEUnknown;
        ThrowIfFailed(event->GetType(&type));
        if (type == MEError) ThrowIfFailed(E_FAIL);
        UINT32 topology = MF_TOPOSTATUS_INVALID;
        if (type == MESessionTopologyStatus && SUCCEEDED(event->GetUINT32(MF_EVENT_TOPOLOGY_STATUS, &topology)) &&
            topology == MF_TOPOSTATUS_READY)
            return;
    }
}

ComPtr<IMFVideoDisplayControl> Display(const Mf& mf, IMFMediaSession& session) {
    ComPtr<IMFVideoDisplayControl> display;
    if (FAILED(mf.getService(&session, MR_VIDEO_RENDER_SERVICE, __uuidof(IMFVideoDisplayControl),
                             display.put_void())))
        return {};
    return display;
}

}  // namespace win32
