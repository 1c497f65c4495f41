#pragma once
// Re-wiring a built, stopped graph so that a filter of ours sits just before
// its video renderer.
#include "platform/win32/dshow_uuids.h"

#include <vector>

#include "platform/win32/com_ptr.h"

namespace win32 {

// The graph has a renderer connected for that major type (MEDIATYPE_Video,
// MEDIATYPE_Audio); false also where the graph cannot be asked.
bool RendersMajorType(IMediaControl& control, const GUID& major);

// Frees what a media type handed to us holds, not the type itself.
void FreeMediaType(AM_MEDIA_TYPE& type);

class RendererConnection {
public:
    // Finds the video renderer (a filter with no output and a connected video
    // input) and what feeds it. Throws platform::Error where there is none.
    explicit RendererConnection(IGraphBuilder& graph);
    ~RendererConnection();
    RendererConnection(const RendererConnection&) = delete;
    RendererConnection& operator=(const RendererConnection&) = delete;

    // Adds the three filters and tees the renderer's feed: feed -> tee ->
    // renderer, each with the type the renderer had, so that the renderer
    // takes the same pictures as before; and the tee's next output -> grabber
    // -> sink, the graph bringing converters where the grabber asks for
    // another type. The first failure's code.
    HRESULT Branch(IBaseFilter& tee, IBaseFilter& grabber, IBaseFilter& sink);
    // Adds a filter that answers the graph's position calls from the
    // renderer's feed, for a tee that does not pass them on. The failure's code.
    HRESULT AnswerPositionsFromFeed();
    // Every filter added since this was made goes, and the renderer is
    // connected to its feed as before: the primary keeps its picture.
    void Restore();

private:
    IGraphBuilder& graph_;
    ComPtr<IPin> upstream_;    // the output that fed the renderer
    ComPtr<IPin> rendererIn_;
    AM_MEDIA_TYPE type_{};     // of that connection
    std::vector<ComPtr<IBaseFilter>> before_;  // the graph's filters as it was built
};

}  // namespace win32
