// Shows the design gallery in a window: for screenshots (--grab), for
// checks of what the pixels must show (--check), and for the accessibility
// check (stays up until it is stopped).
//
//   design_gallery [--appearance light|dark] [--reduce-motion]
//                  [--increase-contrast] [--reduce-transparency]
//                  [--grab FILE.png | --shots FOLDER] [--check] [--scene FILE.qml]
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTimer>

#include "DesignQmlSupport.hpp"
#include "FakeEngine.hpp"
#include "ZephraneApp/DesignSystem/SymbolTable.hpp"
#include "ZephraneApp/DesignSystem/ThemeTokens.hpp"
#include "platform/accessibility/FakeDisplayOptions.hpp"

namespace {

using namespace zephrane;

QStringList symbolNames() {
    QStringList names;
    for (std::string_view name : design::symbolNames())
        names << QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    return names;
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
    parser.process(app);

    accessibility::FakeDisplayOptions options;
    options.setOptions({parser.isSet("reduce-motion"), parser.isSet("reduce-transparency"),
                        parser.isSet("increase-contrast")});
    design::ThemeTokens theme(&options, nullptr);
    if (parser.value("appearance") == "dark") theme.setForcedAppearance(Theme::Appearance::dark);
    if (parser.value("appearance") == "light") theme.setForcedAppearance(Theme::Appearance::light);
    design::ThemeTokens::install(&theme);

    qmlRegisterType<design::testing::FakeEngine>("Zephrane.Testing", 1, 0, "FakeEngine");
    QQuickView view;
    design::testing::importDesignModule(*view.engine());
    view.rootContext()->setContextProperty("symbolNames", symbolNames());
    view.setTitle(QStringLiteral("Design Gallery"));
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    const QString scene = parser.value("scene");
    view.setSource(QUrl::fromLocalFile(scene.isEmpty() ? QStringLiteral(ZEPHRANE_GALLERY_QML) : scene));
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
        const bool checked = !parser.isSet("check") || check(image, view, theme);
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
              std::pair{"-reduce-transparency", accessibility::DisplayOptions{false, true, false}}})
            variants.push_back({QString::fromLatin1(name) + QString::fromLatin1(suffix), appearance, set});
    }
    const QString shots = parser.value("shots");
    std::size_t next = 0;
    std::function<void()> shoot = [&] {
        if (next > 0) take(shots + "/" + variants[next - 1].name + ".png");
        if (next == variants.size()) {
            app.exit(ok ? 0 : 1);
            return;
        }
        theme.setForcedAppearance(variants[next].appearance);
        options.setOptions(variants[next].options);
        ++next;
        QTimer::singleShot(kSettleMs, &app, shoot);
    };
    if (!shots.isEmpty()) QTimer::singleShot(0, &app, shoot);

    return app.exec();
}
