// Every component of Zephrane.Design loads and runs without a single
// warning from the QML engine, in both appearances and with every display
// option on and off. The backdrops show the build's photographs.
#include <QQmlComponent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include <gtest/gtest.h>

#include "DesignQmlSupport.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/BackdropViewStore.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/BackdropImageStore.hpp"

namespace zephrane::design::testing {
namespace {

// One instance of every public component, with typical arguments.
constexpr const char* kScene = R"(
import QtQuick
import Zephrane.Design

Item {
    width: 1100; height: 700
    property alias slider: slider
    property alias photoWindow: photoWindow
    Row {
        spacing: 6
        IconChipButton { systemImage: "xmark"; help: "Close"; accessibilityLabel: "Close"; hoverReveal: true }
        IconChipButton { systemImage: "info.circle"; style: IconChipButton.Bare; accessibilityLabel: "Details" }
        LinearTrack { width: 120; fraction: 0.4; targetFraction: 0.7 }
        LinearTrack { width: 2; barHeight: 2.3; fraction: 1.4; targetFraction: 0 }
        SelectableSwatch {
            isSelected: true; accessibilityLabel: "Aurora"; accessibilityHint: "Use this backdrop"
            BackdropSwatch { backdrop: "aurora" }
        }
        SelectableSwatch { accessibilityLabel: "Blue"; Rectangle { width: 14; height: 14; radius: 7; color: Theme.accentColor } }
        BackdropSwatch { backdrop: "system" }
        WindowGlassModifier {
            id: photoWindow
            width: 160; height: 90; backdrop: "aurora"
            GlassSurface { width: 40; height: 20 }
            BackdropContentPlateModifier {
                y: 30; width: 120; height: 40
                Text { text: "Form"; font: Theme.fontBody; color: Theme.primary }
            }
        }
        SheetRootBackgroundModifier { width: 120; height: 90; backdrop: "nightCircuit" }
        WindowGlassModifier { width: 60; height: 90 }
        WindowMaterialBackdrop { width: 40; height: 20 }
        WindowBackdropView { width: 40; height: 20 }
    }
    Column {
        y: 100
        spacing: 6
        GlassSurface { width: 80; height: 30 }
        GlassSurface { width: 80; height: 30; tint: Theme.statusGreen; overMedia: true }
        GlassPlate { width: 80; height: 30; elevation: Theme.High }
        GlassCardSurface { width: 80; height: 30 }
        Item {
            width: 80; height: 30
            HoverHighlight { anchors.fill: parent; style: Rules.Tonal; hovering: true }
            HoverHighlight { anchors.fill: parent; style: Rules.Glass; hovering: true }
            FocusRing { focused: true; radius: 10 }
        }
        NumericReadout { text: "45 °C" }
        BannerCard { width: 300; tint: Theme.warningColor; Text { text: "Banner"; font: Theme.fontBody } }
        SpinningSymbol { angularVelocity: 6; color: Theme.primary }
        CapsuleSlider { id: slider; width: 200; value: 0.4; icon: "fan.fill"; trailingIcon: "bolt.fill"; label: "Fan speed"
                        pendingLabel: function(v) { return "pending" } }
        SensorChip { symbol: "cpu"; tint: Theme.sensorTint("cpu.avg", Theme.dark); isActive: true }
        MiniGraph { samples: [40, 42, 41, 45]; thermal: true; showFill: true; label: "CPU"; unit: "°C" }
        HelperStateActionView {}
        EmptyState { title: "No data"; systemImage: "chart.bar.fill"; description: "Nothing yet" }
        EmptyState { form: EmptyState.Full; title: "No fans"; systemImage: "fan.slash" }
        GlassActionButton { text: "Export"; trailingSystemImage: "chevron.right"; help: "Export the history" }
        PushButton { text: "Refresh"; prominent: true }
        ProgressRing {}
        GlassTabs { segments: [{id: "quiet", title: "Quiet"}, {id: "auto", title: "Balanced"}]; selection: "auto"
                    accessibilityLabel: "Fan mode"; allowsDeselect: true; size: GlassTabs.Compact }
        SymbolIcon { name: "minus.plus.batteryblock"; color: Theme.primary }
    }
}
)";

TEST(DesignQmlLoadTest, EveryComponentLoadsAndRunsWithoutAWarning) {
    WarningNet net;
    BackdropImageStore store([] { return std::optional<std::filesystem::path>(ZEPHRANE_TEST_BACKDROP_BUNDLE); },
                             std::make_shared<HeifPhotoDecoder>());
    setBackdropViewStore(&store);
    TestTheme& t = testTheme();
    QQmlEngine engine;
    prepareEngine(engine);
    QQmlComponent component(&engine);
    component.setData(kScene, QUrl(QStringLiteral("qrc:/test/Scene.qml")));
    ASSERT_TRUE(component.isReady()) << component.errorString().toStdString();
    std::unique_ptr<QObject> root(component.create());
    ASSERT_TRUE(root);
    QQuickWindow window;
    auto* item = qobject_cast<QQuickItem*>(root.get());
    item->setParentItem(window.contentItem());
    window.resize(1100, 700);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* photoWindow = item->property("photoWindow").value<QQuickItem*>();
    ASSERT_TRUE(QTest::qWaitFor([&] { return photoWindow->property("photoLoaded").toBool(); }, 30000));

    for (auto appearance : {Theme::Appearance::dark, Theme::Appearance::light}) {
        for (accessibility::DisplayOptions options :
             {accessibility::DisplayOptions{true, true, true}, accessibility::DisplayOptions{}}) {
            t.theme.setForcedAppearance(appearance);
            t.options.setOptions(options);
            QQuickItem* slider = item->property("slider").value<QQuickItem*>();
            slider->forceActiveFocus();
            QTest::keyClick(&window, Qt::Key_Right);
            QCoreApplication::processEvents();
            window.grabWindow();  // renders the scene as it now stands
        }
    }
    t.theme.setForcedAppearance(std::nullopt);
    root.reset();
    setBackdropViewStore(nullptr);
    EXPECT_TRUE(net.caught().isEmpty()) << net.caught().join(QStringLiteral("\n")).toStdString();
}

}  // namespace
}  // namespace zephrane::design::testing
