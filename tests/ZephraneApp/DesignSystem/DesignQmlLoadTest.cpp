// Every component of Zephrane.Design loads and runs without a single
// warning from the QML engine, in both appearances and with every display
// option on and off.
#include <QQmlComponent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include <gtest/gtest.h>

#include "DesignQmlSupport.hpp"

namespace zephrane::design::testing {
namespace {

// One instance of every public component, with typical arguments.
constexpr const char* kScene = R"(
import QtQuick
import Zephrane.Design

Item {
    width: 640; height: 480
    property alias slider: slider
    Column {
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
    window.resize(640, 480);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

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
    EXPECT_TRUE(net.caught().isEmpty()) << net.caught().join(QStringLiteral("\n")).toStdString();
}

}  // namespace
}  // namespace zephrane::design::testing
