// The thumbnail behind a backdrop's swatch in the settings: which
// photograph it shows for the colour scheme, and its load. While the
// swatch is on screen, every change of that photograph (a new backdrop, a
// switch between light and dark) asks the store for its 160 px thumbnail;
// until it arrives, and for the system backdrop or a photograph that
// cannot be shown, the swatch shows the window material.
//
// GUI thread only. The store must outlive its controllers.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QImage>

#include <qcoro/qcorotask.h>

#include "ZephraneApp/DesignSystem/Backdrops/BackdropImageStore.hpp"

namespace zephrane {

class BackdropSwatchController {
public:
    explicit BackdropSwatchController(BackdropImageStore& store, WindowBackdrop backdrop = WindowBackdrop::system,
                                      BackdropAppearance colorScheme = BackdropAppearance::light);
    ~BackdropSwatchController();
    BackdropSwatchController(const BackdropSwatchController&) = delete;
    BackdropSwatchController& operator=(const BackdropSwatchController&) = delete;

    // What content() gives may have changed.
    void onContentChanged(std::function<void()> handler) { onContentChanged_ = std::move(handler); }

    void setBackdrop(WindowBackdrop backdrop);
    void setColorScheme(BackdropAppearance colorScheme);
    // Coming on screen starts the load; leaving it starts nothing new (a
    // load under way still lands).
    void setOnScreen(bool onScreen);

    // None for the system backdrop.
    std::optional<BackdropPhotoAsset> asset() const;
    // The thumbnail to draw; null means the window material.
    QImage content() const;

private:
    using Life = std::shared_ptr<BackdropSwatchController*>;
    static QCoro::Task<void> load(std::weak_ptr<BackdropSwatchController*> life, BackdropImageStore* store,
                                  BackdropPhotoAsset asset);
    void assetMayHaveChanged(const std::optional<BackdropPhotoAsset>& before);
    void startLoad();
    void changed() {
        if (onContentChanged_) onContentChanged_();
    }

    BackdropImageStore& store_;
    WindowBackdrop backdrop_;
    BackdropAppearance colorScheme_;
    bool onScreen_ = false;
    // The last thumbnail this swatch loaded and the photograph it is of.
    QImage loadedThumbnail_;
    std::optional<BackdropPhotoAsset> loadedThumbnailAsset_;
    std::function<void()> onContentChanged_;
    Life life_ = std::make_shared<BackdropSwatchController*>(this);
};

}  // namespace zephrane
