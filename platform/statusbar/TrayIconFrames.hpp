// The tray icon's frames drawn by the X server. A layer that turns costs
// the Mac's menu bar nothing; Qt's tray icon repaints a whole widget for
// every new icon (a backing store, a paint and a flush that waits for the
// server), which at 24 frames a second is most of an idle app's work. So
// each frame is uploaded once into an ARGB picture (X Render), and showing
// one is a composite request over the window's background that needs no
// answer.
//
// Only for Qt's XEmbed tray icon on X11: elsewhere (Wayland, a
// StatusNotifierItem host, no tray) attach() gives nothing and the caller
// sets icons as usual. Qt still paints the last icon it was given when the
// window is exposed, so the caller hands it the frame that stands once the
// turning stops.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include <QImage>

namespace zephrane::statusbar {

class TrayIconFrames {
public:
    // None off X11. On X11 with another kind of tray (a StatusNotifierItem
    // host), load() fails: there is no icon window to draw in.
    static std::unique_ptr<TrayIconFrames> attach();
    virtual ~TrayIconFrames() = default;

    // Uploads `frames` (premultiplied ARGB, all of one size), each centred
    // in the icon's window as Qt centres an icon. False when the icon has no
    // window yet, or one smaller than a frame.
    virtual bool load(const std::vector<QImage>& frames) = 0;
    // Shows frame `index` of the last load. False when there is none, or
    // when the window changed since (resized by the tray host, or made anew
    // when the host restarted): load again.
    virtual bool show(std::size_t index) = 0;
};

}  // namespace zephrane::statusbar
