// Shows the design gallery in a window: for screenshots (--grab), for
// checks of what the pixels must show (--check), and for the accessibility
// check (stays up until it is stopped). With --backdrops it shows a small
// window over every backdrop instead, with the build's photographs.
//
//   design_gallery [--appearance light|dark] [--reduce-motion]
//                  [--increase-contrast] [--reduce-transparency]
//                  [--grab FILE.png | --shots FOLDER] [--check]
//                  [--backdrops | --scene FILE.qml]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTimer>

#include "DesignQmlSupport.hpp"
#include "FakeEngine.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/BackdropViewStore.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/BackdropImageStore.hpp"
#include "ZephraneApp/DesignSystem/Tokens/Surfaces.hpp"
#include "ZephraneApp/DesignSystem/Tokens/SymbolTable.hpp"
#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"
#include "platform/accessibility/FakeDisplayOptions.hpp"

namespace {

using namespace zephrane;

QStringList symbolNames() {
    QStringList names;
    for (std::string_view name : design::symbolNames())
        names << QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    return names;
}

// Every backdrop's raw value and display name, in the catalogue's order.
QVariantList backdropList() {
    QVariantList list;
    for (const WindowBackdrop backdrop : allCases<WindowBackdrop>()) {
        const std::string_view raw = rawValue(backdrop);
        const std::string_view name = displayName(backdrop);
        list.append(QVariantMap{{"raw", QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()))},
                                {"name", QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))}});
    }
    return list;
}

bool near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 3 && std::abs(a.green() - b.green()) <= 3 &&
           std::abs(a.blue() - b.blue()) <= 3;
}

bool expectPixel(const QImage& image, QPointF at, const QColor& expected, bool equal, const char* what) {
    const QColor found = image.pixelColor(at.toPoint());
    if (near(found, expected) == equal) return true;
    std::fprintf(stderr, "design_gallery: %s: %s at (%d, %d), expected %s%s\n", what, qPrintable(found.name()),
                 at.toPoint().x(), at.toPoint().y(), equal ? "" : "anything but ", qPrintable(expected.name()));
    return false;
}

// What the pixels must show: the window background in the theme's colour,
// and the fan speed slider (at 0.4) filled in the slider colour up to its
// value and not beyond.
bool check(const QImage& image, const QQuickView& view, const design::ThemeTokens& theme) {
    bool ok = expectPixel(image, QPointF(4, image.height() - 4), theme.windowBackground(), true, "background");
    const auto* slider = view.rootObject()->findChild<QQuickItem*>(QStringLiteral("fanSpeedSlider"));
    if (slider == nullptr) {
        std::fprintf(stderr, "design_gallery: no fan speed slider\n");
        return false;
    }
    const double ratio = image.devicePixelRatio();
    const auto at = [&](double fraction) {
        return slider->mapToScene(QPointF(slider->width() * fraction, slider->height() / 2)) * ratio;
    };
    ok = expectPixel(image, at(0.25), theme.sliderFill(), true, "slider fill") && ok;
    ok = expectPixel(image, at(0.6), theme.sliderFill(), false, "slider beyond its value") && ok;
    return ok;
}

// What the backdrops' pixels must show, at the bottom left of every window
// and of the sheet (where no content lies): the window material (opaque
// here: Xvfb runs no compositor) for "system" and under Reduce
// Transparency, the sheet's opaque window background under it, and
// anything but that over a photograph.
bool checkBackdrops(const QImage& image, const QQuickView& view, const design::ThemeTokens& theme) {
    const QColor material = Theme::windowMaterialFill(theme.reduceTransparency(), false, theme.appearance());
    bool ok = true;
    // Repeated cells are items of the scene but no QObject children of it.
    QList<QQuickItem*> items;
    const std::function<void(QQuickItem*)> collect = [&](QQuickItem* item) {
        items.append(item);
        for (QQuickItem* child : item->childItems()) collect(child);
    };
    collect(view.rootObject());
    int cells = 0;
    for (QQuickItem* cell : items) {
        const QString name = cell->objectName();
        if (!name.startsWith("window-") && !name.startsWith("sheet-")) continue;
        ++cells;
        const bool photo = !name.endsWith("-system") && !theme.reduceTransparency();
        const QColor expected = name.startsWith("sheet-") && theme.reduceTransparency() ? theme.windowBackground() : material;
        const QPointF at = cell->mapToScene(QPointF(5, cell->height() - 5)) * image.devicePixelRatio();
        ok = expectPixel(image, at, expected, !photo, qPrintable(name)) && ok;
    }
    if (cells != 13) {
        std::fprintf(stderr, "design_gallery: %d backdrop cells, expected 12 windows and a sheet\n", cells);
        return false;
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"appearance", "light or dark", "name"});
    parser.addOption({"reduce-motion", "Reduce Motion on"});
    parser.addOption({"increase-contrast", "Increase Contrast on"});
    parser.addOption({"reduce-transparency", "Reduce Transparency on"});
    parser.addOption({"grab", "save a screenshot of the window and quit", "file"});
    parser.addOption({"shots", "save a screenshot of every appearance and option set into a folder and quit",
                      "folder"});
    parser.addOption({"check", "check the screenshot's pixels"});
    parser.addOption({"scene", "show this QML file in place of the gallery", "file"});
    parser.addOption({"backdrops", "show a window over every backdrop in place of the gallery"});
    parser.process(app);

    accessibility::FakeDisplayOptions options;
    options.setOptions({parser.isSet("reduce-motion"), parser.isSet("reduce-transparency"),
                        parser.isSet("increase-contrast")});
    design::ThemeTokens theme(&options, nullptr);
    if (parser.value("appearance") == "dark") theme.setForcedAppearance(Theme::Appearance::dark);
    if (parser.value("appearance") == "light") theme.setForcedAppearance(Theme::Appearance::light);
    design::ThemeTokens::install(&theme);

    // The photographs the build made, wherever this program runs from.
    BackdropImageStore store([] { return std::optional<std::filesystem::path>(ZEPHRANE_GALLERY_BUNDLE); },
                             std::make_shared<HeifPhotoDecoder>());
    design::setBackdropViewStore(&store);
    const bool backdrops = parser.isSet("backdrops");

    qmlRegisterType<design::testing::FakeEngine>("Zephrane.Testing", 1, 0, "FakeEngine");
    QQuickView view;
    design::testing::importDesignModule(*view.engine());
    view.rootContext()->setContextProperty("symbolNames", symbolNames());
    view.rootContext()->setContextProperty("backdrops", backdropList());
    view.setTitle(QStringLiteral("Design Gallery"));
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    QString scene = parser.value("scene");
    if (scene.isEmpty()) scene = backdrops ? QStringLiteral(ZEPHRANE_GALLERY_BACKDROPS_QML) : QStringLiteral(ZEPHRANE_GALLERY_QML);
    view.setSource(QUrl::fromLocalFile(scene));
    if (view.status() != QQuickView::Ready) return 1;
    view.resize(1180, 800);
    view.show();
    view.requestActivate();

    // Each picture once the first frames and the animations a switch starts
    // (hover fades, the spinner's wind-up) have run their course.
    constexpr int kSettleMs = 900;
    bool ok = true;
    const auto take = [&](const QString& file) {
        const QImage image = view.grabWindow();
        const bool saved = image.save(file);
        const bool checked =
            !parser.isSet("check") || (backdrops ? checkBackdrops(image, view, theme) : check(image, view, theme));
        if (saved) std::printf("design_gallery: %s\n", qPrintable(file));
        ok = ok && saved && checked;
    };

    const QString grab = parser.value("grab");
    if (!grab.isEmpty()) {
        QTimer::singleShot(kSettleMs, &app, [&] {
            take(grab);
            app.exit(ok ? 0 : 1);
        });
    }

    // Every variant in one process: starting the program again for each
    // costs more than all the pictures together.
    struct Variant {
        QString name;
        Theme::Appearance appearance;
        accessibility::DisplayOptions options;
    };
    std::vector<Variant> variants;
    for (auto [appearance, name] : {std::pair{Theme::Appearance::light, "light"},
                                    std::pair{Theme::Appearance::dark, "dark"}}) {
        for (auto [suffix, set] :
             {std::pair{"", accessibility::DisplayOptions{}},
              std::pair{"-reduce-motion", accessibility::DisplayOptions{true, false, false}},
              std::pair{"-increase-contrast", accessibility::DisplayOptions{false, false, true}},
              std::pair{"-reduce-motion-increase-contrast", accessibility::DisplayOptions{true, false, true}},
              std::pair{"-reduce-transparency", accessibility::DisplayOptions{false, true, false}}}) {
            // Reduce Motion changes no backdrop.
            if (backdrops && set.reduceMotion) continue;
            variants.push_back({QString::fromLatin1(backdrops ? "backdrops-" : "") + QString::fromLatin1(name) +
                                    QString::fromLatin1(suffix),
                                appearance, set});
        }
    }
    // A scene with photographs says when every one it asked for is on
    // screen; the picture waits for that (decoding takes a while, and on a
    // loaded machine under the sanitizers, minutes).
    constexpr int kPollMs = 50;
    constexpr auto kSettledDeadline = std::chrono::minutes(4);
    std::function<void()> shoot;
    QDeadlineTimer deadline;
    std::function<void()> whenSettled = [&] {
        const QVariant settled = view.rootObject()->property("settled");
        if (settled.isValid() && !settled.toBool()) {
            if (deadline.hasExpired()) {
                std::fprintf(stderr, "design_gallery: the photographs did not load\n");
                // Which cell waits, and on what.
                std::function<void(const QQuickItem*)> tell = [&](const QQuickItem* item) {
                    const QString name = item->objectName();
                    if ((name.startsWith("window-") || name.startsWith("sheet-")) && !item->property("settled").toBool())
                        std::fprintf(stderr, "design_gallery:   %s: hasPhoto %d photoLoaded %d\n", qPrintable(name),
                                     item->property("hasPhoto").toBool(), item->property("photoLoaded").toBool());
                    if (item->inherits("zephrane::design::BackdropSwatchThumbnail") &&
                        !item->property("hasThumbnail").toBool())
                        std::fprintf(stderr, "design_gallery:   a swatch of %s has no thumbnail\n",
                                     qPrintable(item->property("backdrop").toString()));
                    for (const QQuickItem* child : item->childItems()) tell(child);
                };
                tell(view.rootObject());
                app.exit(1);
                return;
            }
            QTimer::singleShot(kPollMs, &app, whenSettled);
            return;
        }
        QTimer::singleShot(kSettleMs, &app, shoot);
    };
    const QString shots = parser.value("shots");
    std::size_t next = 0;
    shoot = [&] {
        if (next > 0) take(shots + "/" + variants[next - 1].name + ".png");
        if (next == variants.size()) {
            app.exit(ok ? 0 : 1);
            return;
        }
        theme.setForcedAppearance(variants[next].appearance);
        options.setOptions(variants[next].options);
        ++next;
        deadline.setRemainingTime(kSettledDeadline);
        QTimer::singleShot(0, &app, whenSettled);
    };
    if (!shots.isEmpty()) QTimer::singleShot(0, &app, shoot);

    return app.exec();
}
