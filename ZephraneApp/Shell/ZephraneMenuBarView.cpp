#include "ZephraneApp/Shell/ZephraneMenuBarView.hpp"

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/FanListModel.hpp"
#include "ZephraneApp/Face/ModesFace.hpp"
#include "ZephraneApp/Face/PowerFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/QtText.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/Face/ShellFace.hpp"
#include "ZephraneApp/Shell/MenuBarText.hpp"
#include "ZephraneApp/Shell/ModelChanges.hpp"
#include "shared/TemperatureFormat.hpp"

namespace zephrane {
namespace {

struct PresetTab {
    FanPreset preset;
    const char* title;
    const char* hint;
    const FanProfile& (*profile)();
};

// The tabs in the presets' order, each with the built-in profile it stands for.
const std::array<PresetTab, 3> kPresetTabs{{
    {FanPreset::quiet, "Quiet", "Capped", &FanProfile::silentStealth},
    {FanPreset::auto_, "Balanced", "Curve", &FanProfile::nimbraStandard},
    {FanPreset::max, "Max", "100%", &FanProfile::maxThermalBlast},
}};

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

double finiteOrNone(double value) { return std::isfinite(value) ? value : kNoValue; }

bool sameNumber(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

}  // namespace

bool ZephraneMenuBarView::Header::operator==(const Header& other) const {
    return sameNumber(temperature, other.temperature) && unitText == other.unitText &&
           digitsText == other.digitsText && sameNumber(numericRollKey, other.numericRollKey) &&
           heroValueText == other.heroValueText;
}

ZephraneMenuBarView::ZephraneMenuBarView(QObject* parent) : QObject(parent), modeRows_(this), slider_(this) {
    modeRows_.setActions({.returnToSystemControl = [this] { returnToSystemControl(); },
                          .openSection = [this](Section section) { openSection(section); }});
}

void ZephraneMenuBarView::setFace(face::EngineFace* face) {
    if (face_ == face) return;
    if (face_) {
        for (QObject* source : std::initializer_list<QObject*>{&face_->sensors(), &face_->preferences(), &face_->drive(),
                                                              &face_->drive().fans(), &face_->power(), &face_->daemon(),
                                                              &face_->modes()})
            disconnect(source, nullptr, this, nullptr);
    }
    face_ = face;
    if (face_) {
        face::SensorsFace& sensors = face_->sensors();
        face::PreferencesFace& preferences = face_->preferences();
        face::DriveFace& drive = face_->drive();
        connect(&sensors, &face::SensorsFace::temperaturesChanged, this, &ZephraneMenuBarView::refreshHeader);
        connect(&sensors, &face::SensorsFace::displayedTemperatureSourceLabelChanged, this,
                &ZephraneMenuBarView::refreshHeader);
        connect(&preferences, &face::PreferencesFace::useFahrenheitChanged, this, &ZephraneMenuBarView::refreshHeader);
        connect(&preferences, &face::PreferencesFace::preciseTemperaturesChanged, this,
                &ZephraneMenuBarView::refreshHeader);
        connect(&drive, &face::DriveFace::controlSourceCaptionChanged, this, &ZephraneMenuBarView::refreshHeader);
        onAnyChange(drive.fans(), this, &ZephraneMenuBarView::refreshFans);
        connect(&face_->power(), &face::PowerFace::powerTelemetryChanged, this, &ZephraneMenuBarView::refreshPower);
        connect(&face_->power(), &face::PowerFace::systemPowerWattsChanged, this, &ZephraneMenuBarView::refreshPower);
        connect(&face_->daemon(), &face::DaemonFace::helperStateChanged, this,
                &ZephraneMenuBarView::refreshStatusCaption);
        connect(&face_->daemon(), &face::DaemonFace::helperInstallIssueChanged, this,
                &ZephraneMenuBarView::refreshStatusCaption);
        connect(&drive, &face::DriveFace::activePresetChanged, this, &ZephraneMenuBarView::refreshSelectedPreset);
        connect(&drive, &face::DriveFace::activeProfileChanged, this, &ZephraneMenuBarView::refreshSelectedPreset);
        connect(&face_->modes(), &face::ModesFace::activeCustomModeIDChanged, this,
                &ZephraneMenuBarView::refreshSelectedPreset);
    }
    refreshHeader();
    refreshFans();
    refreshPower();
    refreshStatusCaption();
    refreshSelectedPreset();
    modeRows_.setFace(face_);
    slider_.setFace(face_);
    emit faceChanged();
}

void ZephraneMenuBarView::setBridge(MenuBarPanelBridge* bridge) {
    if (bridge_ == bridge) return;
    bridge_ = bridge;
    emit bridgeChanged();
}

void ZephraneMenuBarView::setCommands(ShellCommands* commands) {
    if (commands_ == commands) return;
    commands_ = commands;
    emit commandsChanged();
}

void ZephraneMenuBarView::refreshHeader() {
    Header next{.temperature = kNoValue,
                .unitText = QStringLiteral("\u00B0C"),
                .digitsText = QStringLiteral("--"),
                .numericRollKey = kNoValue,
                .heroValueText = {}};
    if (face_) {
        const face::SensorsFace::State& sensors = face_->sensors().state();
        const auto& preferences = face_->preferences().state();
        const double celsius = finiteOrNone(sensors.displayedTemperature);
        next.temperature = celsius;
        next.unitText = preferences.useFahrenheit ? QStringLiteral("\u00B0F") : QStringLiteral("\u00B0C");
        if (celsius > 0)
            next.digitsText =
                face::qtText(TemperatureFormat::value(celsius, preferences.useFahrenheit, preferences.preciseTemperatures));
        next.numericRollKey = finiteOrNone(sensors.heroDisplayTemperature);
        next.heroValueText = face::qtText(MenuBarText::heroValueText(
            sensors.displayedTemperature, preferences.useFahrenheit, preferences.preciseTemperatures,
            sensors.displayedTemperatureSourceLabel, face_->drive().state().controlSourceCaption));
    }
    if (next == header_) return;
    header_ = std::move(next);
    emit temperatureChanged();
}

void ZephraneMenuBarView::refreshFans() {
    std::vector<MenuBarText::StripFan> fans;
    if (face_)
        for (const face::FanRow& row : face_->drive().fans().rows()) fans.push_back({row.fan.id, row.fan.currentRPM});
    const MenuBarText::FanStrip strip = MenuBarText::fanStrip(fans);
    Fans next;
    for (const MenuBarText::StripFan& fan : fans) next.sortedIDs.append(static_cast<int>(fan.id));
    for (const std::int64_t id : strip.shownIDs) next.stripIDs.append(static_cast<int>(id));
    next.extraText = face::qtText(MenuBarText::extraBadgeText(strip.extra));
    next.summary = face::qtText(MenuBarText::fanSummary(fans));
    if (next == fans_) return;
    fans_ = std::move(next);
    emit fansChanged();
}

void ZephraneMenuBarView::refreshPower() {
    Power next;
    if (face_) {
        const MenuBarText::PowerReading reading{face_->power().systemPowerWatts(), face_->power().telemetry()};
        const auto summary = MenuBarText::powerSummary(reading);
        next = {.shown = summary.has_value(),
                .summary = face::qtText(summary.value_or(std::string())),
                .spoken = face::qtText(MenuBarText::powerSpokenText(reading)),
                .charging = reading.telemetry.isCharging};
    }
    if (next == power_) return;
    power_ = std::move(next);
    emit powerChanged();
}

void ZephraneMenuBarView::refreshStatusCaption() {
    QString next;
    if (face_) {
        const face::DaemonFace::Snapshot& daemon = face_->daemon().state();
        next = face::qtText(MenuBarText::helperStatusCaption(daemon.helperState, daemon.helperInstallIssue).value_or(""));
    }
    if (next == statusCaption_) return;
    statusCaption_ = next;
    emit statusCaptionChanged();
}

QVariantMap ZephraneMenuBarView::labels() {
    return {
        {"openSensors", QStringLiteral("Open Sensors")},
        {"openDashboard", QStringLiteral("Open Dashboard")},
        {"open", QStringLiteral("Open")},
        {"settings", QStringLiteral("Settings")},
        {"quit", QStringLiteral("Quit")},
        {"fanMode", QStringLiteral("Fan mode")},
        {"noFans", QStringLiteral("This Mac reports no controllable fans.")},
        {"allModes", QStringLiteral("All Modes\u2026")},
        {"allModesName", QStringLiteral("All Modes")},
        {"allModesHint", QStringLiteral("Opens the Modes tab, where every custom mode is listed")},
        {"editMode", QStringLiteral("Edit\u2026")},
        {"duplicateMode", QStringLiteral("Duplicate")},
        {"deleteMode", QStringLiteral("Delete\u2026")},
    };
}

QVariantList ZephraneMenuBarView::presetSegments() const {
    QVariantList segments;
    for (const PresetTab& tab : kPresetTabs)
        segments.append(QVariantMap{{"id", face::qtText(rawValue(tab.preset))},
                                    {"title", QString::fromUtf8(tab.title)},
                                    {"accessibilityHint", QString::fromUtf8(tab.hint)}});
    return segments;
}

void ZephraneMenuBarView::refreshSelectedPreset() {
    std::optional<FanPreset> selected;
    // An engaged custom mode drives the fans through the balanced curve's
    // profile: that is no choice of the Balanced tab, and tapping that tab
    // must not hand the fans back to the system.
    if (face_ && !face_->modes().hasActiveCustomMode()) {
        selected = face_->drive().activePreset();
        // A preset's built-in profile in force counts as that preset.
        if (const auto& profile = face_->drive().activeProfile(); !selected && profile) {
            for (const PresetTab& tab : kPresetTabs) {
                if (tab.profile().id == profile->id) {
                    selected = tab.preset;
                    break;
                }
            }
        }
    }
    const QVariant next = selected ? QVariant(face::qtText(rawValue(*selected))) : QVariant();
    if (next == selectedPreset_) return;
    selectedPreset_ = next;
    emit selectedPresetChanged();
}

void ZephraneMenuBarView::choosePreset(const QVariant& preset) {
    if (!face_) return;
    const QString id = preset.isValid() && !preset.isNull() ? preset.toString() : QString();
    for (const PresetTab& tab : kPresetTabs) {
        if (id == face::qtText(rawValue(tab.preset))) {
            face_->perform(face::command::SelectPreset{tab.preset});
            return;
        }
    }
    returnToSystemControl();
}

void ZephraneMenuBarView::returnToSystemControl() {
    if (!face_) return;
    face_->drive().clearActivePreset();
    face_->perform(face::command::ClearActiveCustomMode{});
    face_->drive().applyProfile(FanProfile::appleAuto());
}

void ZephraneMenuBarView::openMainWindow() {
    // Opening the main window raises it and gives it the keyboard: the
    // app's activation on this desktop.
    if (bridge_) {
        bridge_->openMainWindow();
        bridge_->closePanel();
        return;
    }
    if (commands_) commands_->trigger(ShellCommands::OpenMainWindow);
    emit dismissRequested();
}

void ZephraneMenuBarView::openSection(const QString& section) { openSection(sectionFromStored(section.toStdString())); }

void ZephraneMenuBarView::openSection(Section section) {
    if (face_) face_->shell().selectSection(section);
    openMainWindow();
}

void ZephraneMenuBarView::cancel() {
    if (bridge_)
        bridge_->closePanel();
    else
        emit dismissRequested();
}

void ZephraneMenuBarView::quit() {
    // From the event loop, not from inside the click: quitting first closes
    // every window, this panel's among them, and a quit asked while that
    // window still delivers its own click leaves the app running.
    QMetaObject::invokeMethod(
        this, [commands = commands_] { if (commands) commands->trigger(ShellCommands::Quit); }, Qt::QueuedConnection);
}

}  // namespace zephrane
