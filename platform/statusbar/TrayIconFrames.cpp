#include "platform/statusbar/TrayIconFrames.hpp"

#include <xcb/render.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <optional>

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QWidget>

namespace zephrane::statusbar {
namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> own(T* reply) {
    return Reply<T>(reply, &std::free);
}

// Qt's tray icon is a widget of its own, a top level docked into the tray
// host; nothing public names it but its object name.
QWidget* trayIconWidget() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("QSystemTrayIconSys")) return widget;
    return nullptr;
}

// The picture format of 32-bit premultiplied ARGB in the server's byte
// layout, which is QImage's ARGB32_Premultiplied on the same machine.
std::optional<xcb_render_pictformat_t> argbFormat(const xcb_render_query_pict_formats_reply_t* formats) {
    auto it = xcb_render_query_pict_formats_formats_iterator(formats);
    for (; it.rem != 0; xcb_render_pictforminfo_next(&it)) {
        const xcb_render_pictforminfo_t& f = *it.data;
        const xcb_render_directformat_t& d = f.direct;
        if (f.type == XCB_RENDER_PICT_TYPE_DIRECT && f.depth == 32 && d.alpha_mask == 0xff && d.alpha_shift == 24 &&
            d.red_mask == 0xff && d.red_shift == 16 && d.green_mask == 0xff && d.green_shift == 8 &&
            d.blue_mask == 0xff && d.blue_shift == 0)
            return f.id;
    }
    return std::nullopt;
}

std::optional<xcb_render_pictformat_t> formatOfVisual(const xcb_render_query_pict_formats_reply_t* formats,
                                                      xcb_visualid_t visual) {
    for (auto screens = xcb_render_query_pict_formats_screens_iterator(formats); screens.rem != 0;
         xcb_render_pictscreen_next(&screens))
        for (auto depths = xcb_render_pictscreen_depths_iterator(screens.data); depths.rem != 0;
             xcb_render_pictdepth_next(&depths))
            for (auto visuals = xcb_render_pictdepth_visuals_iterator(depths.data); visuals.rem != 0;
                 xcb_render_pictvisual_next(&visuals))
                if (visuals.data->visual == visual) return visuals.data->format;
    return std::nullopt;
}

class XcbTrayIconFrames final : public TrayIconFrames {
public:
    explicit XcbTrayIconFrames(xcb_connection_t* connection) : connection_(connection) {}
    ~XcbTrayIconFrames() override { release(); }

    bool load(const std::vector<QImage>& frames) override {
        release();
        widget_ = trayIconWidget();
        if (widget_ == nullptr || frames.empty()) return false;
        window_ = static_cast<xcb_window_t>(widget_->internalWinId());
        if (window_ == 0) return false;
        const auto geometryCookie = xcb_get_geometry(connection_, window_);
        const auto attributesCookie = xcb_get_window_attributes(connection_, window_);
        const auto formatsCookie = xcb_render_query_pict_formats(connection_);
        const auto geometry = own(xcb_get_geometry_reply(connection_, geometryCookie, nullptr));
        const auto attributes = own(xcb_get_window_attributes_reply(connection_, attributesCookie, nullptr));
        const auto formats = own(xcb_render_query_pict_formats_reply(connection_, formatsCookie, nullptr));
        if (!geometry || !attributes || !formats) return false;
        width_ = geometry->width;
        height_ = geometry->height;
        widgetSize_ = widget_->size();
        const QSize frameSize = frames.front().size();
        if (width_ < frameSize.width() || height_ < frameSize.height()) return false;
        const auto frameFormat = argbFormat(formats.get());
        const auto windowFormat = formatOfVisual(formats.get(), attributes->visual);
        if (!frameFormat || !windowFormat) return false;
        // A window without alpha shows the tray through Qt's icon only by
        // the background it takes from its parent; it is drawn afresh under
        // every frame, so a tray that paints late or changes shows right.
        opaque_ = geometry->depth != 32;

        windowPicture_ = xcb_generate_id(connection_);
        xcb_render_create_picture(connection_, windowPicture_, window_, *windowFormat, 0, nullptr);
        const QPoint offset((width_ - frameSize.width()) / 2, (height_ - frameSize.height()) / 2);
        xcb_gcontext_t gc = 0;
        for (const QImage& frame : frames) {
            QImage composed(width_, height_, QImage::Format_ARGB32_Premultiplied);
            composed.fill(Qt::transparent);
            QPainter painter(&composed);
            painter.drawImage(offset, frame);
            painter.end();
            const xcb_pixmap_t pixmap = xcb_generate_id(connection_);
            xcb_create_pixmap(connection_, 32, pixmap, window_, width_, height_);
            if (gc == 0) {
                gc = xcb_generate_id(connection_);
                xcb_create_gc(connection_, gc, pixmap, 0, nullptr);
            }
            xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, width_, height_, 0, 0, 0, 32,
                          static_cast<std::uint32_t>(composed.sizeInBytes()), composed.constBits());
            const xcb_render_picture_t picture = xcb_generate_id(connection_);
            xcb_render_create_picture(connection_, picture, pixmap, *frameFormat, 0, nullptr);
            xcb_free_pixmap(connection_, pixmap);  // the picture keeps it
            pictures_.push_back(picture);
        }
        xcb_free_gc(connection_, gc);
        xcb_flush(connection_);
        return true;
    }

    bool show(std::size_t index) override {
        if (index >= pictures_.size() || widget_.isNull() ||
            static_cast<xcb_window_t>(widget_->internalWinId()) != window_ || widget_->size() != widgetSize_)
            return false;
        if (opaque_) xcb_clear_area(connection_, 0, window_, 0, 0, 0, 0);
        xcb_render_composite(connection_, opaque_ ? XCB_RENDER_PICT_OP_OVER : XCB_RENDER_PICT_OP_SRC,
                             pictures_[index], XCB_NONE, windowPicture_, 0, 0, 0, 0, 0, 0, width_, height_);
        xcb_flush(connection_);
        return true;
    }

private:
    void release() {
        for (const xcb_render_picture_t picture : pictures_) xcb_render_free_picture(connection_, picture);
        pictures_.clear();
        if (windowPicture_ != 0) xcb_render_free_picture(connection_, windowPicture_);
        windowPicture_ = 0;
        xcb_flush(connection_);
    }

    xcb_connection_t* connection_;
    QPointer<QWidget> widget_;
    xcb_window_t window_ = 0;
    std::uint16_t width_ = 0;
    std::uint16_t height_ = 0;
    QSize widgetSize_;  // in Qt's units, which a scaled screen makes differ from the server's
    bool opaque_ = true;
    xcb_render_picture_t windowPicture_ = 0;
    std::vector<xcb_render_picture_t> pictures_;
};

}  // namespace

std::unique_ptr<TrayIconFrames> TrayIconFrames::attach() {
    auto* x11 = qApp != nullptr ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 == nullptr || x11->connection() == nullptr) return nullptr;
    return std::make_unique<XcbTrayIconFrames>(x11->connection());
}

}  // namespace zephrane::statusbar
