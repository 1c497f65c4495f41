#include "platform/win32/video/evr_picture.h"

#include "platform/win32/threads.h"

namespace win32 {
namespace {

constexpr wchar_t kEvrProperty[] = L"Trevlin.Evr";

EvrPicture* Held(HWND window) {
    auto* held = static_cast<std::shared_ptr<EvrPicture>*>(GetPropW(window, kEvrProperty));
    return held ? held->get() : nullptr;
}

}  // namespace

void EvrPicture::Place(HWND window) {
    Lock held(lock_);
    if (!display_) return;
    RECT client{};
    GetClientRect(window, &client);
    const MFVideoNormalizedRect source{static_cast<float>(part_.left), static_cast<float>(part_.top),
                                       static_cast<float>(part_.right), static_cast<float>(part_.bottom)};
    display_->SetAspectRatioMode(MFVideoARMode_None);
    display_->SetVideoPosition(&source, &client);
}

void EvrPicture::Place(HWND window, const platform::Part& part) {
    {
        Lock held(lock_);
        part_ = part;
    }
    Place(window);
}

void EvrPicture::Repaint() {
    Lock held(lock_);
    if (display_) display_->RepaintVideo();
}

void EvrPicture::Drop() {
    Lock held(lock_);
    display_ = {};
}

void AttachEvr(HWND window, std::shared_ptr<EvrPicture> picture) {
    auto* held = new std::shared_ptr<EvrPicture>(std::move(picture));
    auto* old = static_cast<std::shared_ptr<EvrPicture>*>(GetPropW(window, kEvrProperty));
    if (!SetPropW(window, kEvrProperty, held)) {
        delete held;
        return;
    }
    delete old;
}

void DetachEvr(HWND window) {
    delete static_cast<std::shared_ptr<EvrPicture>*>(RemovePropW(window, kEvrProperty));
}

bool RepaintEvr(HWND window) {
    EvrPicture* picture = Held(window);
    if (picture) picture->Repaint();
    return picture != nullptr;
}

bool PlaceEvr(HWND window) {
    EvrPicture* picture = Held(window);
    if (picture) picture->Place(window);
    return picture != nullptr;
}

}  // namespace win32

namespace win32 {

bool EvrDraws(HWND window) { return Held(window) != nullptr; }

}  // namespace win32
