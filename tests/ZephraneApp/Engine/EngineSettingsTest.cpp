// The user's settings: what each key loads as (defaults, clamps, fallbacks,
// the JSON forms), that every set writes through and runs its change
// action, and that bad stored data never crashes and is never deleted.
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "EngineHarness.hpp"
#include "platform/oslog/OSLog.hpp"

namespace zephrane::enginetest {
namespace {

namespace key = settings::key;

QByteArray bytes(const char* text) { return QByteArray(text); }

TEST(EngineSettings, NumbersAreClampedOnlyWhenLoaded) {
    struct Case {
        const char* edge;
        const QString* key;
        QVariant stored;
        double loaded;
    };
    const Case cases[] = {
        {"spool rate below the range", &key::spoolRate, 50.0, 120},
        {"spool rate at the floor", &key::spoolRate, 120.0, 120},
        {"spool rate inside", &key::spoolRate, 2400.5, 2400.5},
        {"spool rate above the range", &key::spoolRate, 12000.0, 9000},
        {"spool rate stored as text that is no number", &key::spoolRate, QString("fast"), 120},
        {"spool rate absent", &key::spoolRate, QVariant(), 900},
        {"quiet start negative", &key::quietHoursStart, -5, 0},
        {"quiet start past the day", &key::quietHoursStart, 2000, 1439},
        {"quiet start as text that is no number", &key::quietHoursStart, QString("late"), 0},
        {"quiet start absent", &key::quietHoursStart, QVariant(), 1320},
        {"quiet end absent", &key::quietHoursEnd, QVariant(), 480},
        {"overheat threshold taken as stored", &key::overheatThreshold, 140.0, 140},
        {"overheat threshold absent", &key::overheatThreshold, QVariant(), 90},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EngineHarness h;
        if (c.stored.isValid()) h.settings->setValue(*c.key, c.stored);
        auto& engine = h.make();
        const double loaded = c.key == &key::spoolRate           ? engine.spoolRate()
                              : c.key == &key::quietHoursStart   ? engine.quietHoursStart()
                              : c.key == &key::quietHoursEnd     ? engine.quietHoursEnd()
                                                                 : engine.overheatThreshold();
        EXPECT_EQ(loaded, c.loaded);
        EXPECT_EQ(h.settings->value(*c.key), c.stored) << "loading never rewrites what is stored";
    }
}

TEST(EngineSettings, AValueWrittenOutOfRangeIsStoredAsIsAndClampedAtTheNextLaunch) {
    EngineHarness first;
    first.make().setSpoolRate(50);
    EXPECT_EQ(first.engine().spoolRate(), 50);
    EXPECT_EQ(first.settings->value(key::spoolRate).toDouble(), 50);

    EngineHarness next;
    next.settings->setValue(key::spoolRate, first.settings->value(key::spoolRate));
    EXPECT_EQ(next.make().spoolRate(), 120);
}

TEST(EngineSettings, RawValuesThatNameNoCaseFallBackToTheDefault) {
    EngineHarness h;
    h.settings->setString(key::controlSource, "hotest");
    h.settings->setString(key::menuBarReadout, "everything");
    h.settings->setString(key::menuBarTempSource, "Control");
    h.settings->setString(key::accentChoice, "Sky");  // the display name, not the raw value
    h.settings->setString(key::windowBackdrop, " aurora");
    auto& engine = h.make();
    EXPECT_EQ(engine.controlSource(), ControlSource::hottest);
    EXPECT_EQ(engine.menuBarReadout(), MenuBarReadout::controlTemperature);
    EXPECT_EQ(engine.menuBarTempSource(), MenuBarTempSource::control);
    EXPECT_EQ(engine.accentChoice(), Theme::AccentChoice::system);
    EXPECT_EQ(engine.windowBackdrop(), WindowBackdrop::system);
}

TEST(EngineSettings, StoredRawValuesAndBooleansLoad) {
    EngineHarness h;
    h.settings->setString(key::controlSource, "gpuAverage");
    h.settings->setString(key::menuBarReadout, "both");
    h.settings->setString(key::menuBarTempSource, "cpuEfficiency");
    h.settings->setString(key::accentChoice, "violet");
    h.settings->setString(key::windowBackdrop, "nightCircuit");
    for (const QString* flag : {&key::useFahrenheit, &key::hasCompletedFirstRunSetup, &key::preSpoolEnabled,
                                &key::quietHoursEnabled, &key::meetingQuietEnabled})
        h.settings->setBool(*flag, true);
    for (const QString* flag : {&key::preciseTemperatures, &key::showDockIcon, &key::menuBarIconAnimated,
                                &key::fanHealthWarningsEnabled})
        h.settings->setBool(*flag, false);
    auto& engine = h.make();
    EXPECT_EQ(engine.controlSource(), ControlSource::gpuAverage);
    EXPECT_EQ(engine.menuBarReadout(), MenuBarReadout::both);
    EXPECT_EQ(engine.menuBarTempSource(), MenuBarTempSource::cpuEfficiency);
    EXPECT_EQ(engine.accentChoice(), Theme::AccentChoice::violet);
    EXPECT_EQ(engine.windowBackdrop(), WindowBackdrop::nightCircuit);
    EXPECT_TRUE(engine.useFahrenheit() && engine.hasCompletedFirstRunSetup() && engine.preSpoolEnabled() &&
                engine.quietHoursEnabled() && engine.meetingQuietEnabled());
    EXPECT_FALSE(engine.preciseTemperatures() || engine.showDockIcon() || engine.menuBarIconAnimated() ||
                 engine.fanHealthWarningsEnabled());
    engine.setAccentChoice(Theme::AccentChoice::system);
}

TEST(EngineSettings, EverySettingHasItsDefaultOnAnEmptyStore) {
    EngineHarness h;
    auto& engine = h.make();
    EXPECT_EQ(engine.spoolRate(), 900);
    EXPECT_EQ(engine.controlSource(), ControlSource::hottest);
    EXPECT_FALSE(engine.useFahrenheit());
    EXPECT_TRUE(engine.preciseTemperatures());
    EXPECT_EQ(engine.accentChoice(), Theme::AccentChoice::system);
    EXPECT_EQ(engine.menuBarReadout(), MenuBarReadout::controlTemperature);
    EXPECT_TRUE(engine.showDockIcon());
    EXPECT_EQ(engine.menuBarTempSource(), MenuBarTempSource::control);
    EXPECT_TRUE(engine.menuBarIconAnimated());
    EXPECT_FALSE(engine.hasCompletedFirstRunSetup());
    EXPECT_EQ(engine.overheatThreshold(), 90);
    EXPECT_TRUE(engine.fanHealthWarningsEnabled());
    EXPECT_FALSE(engine.preSpoolEnabled());
    EXPECT_EQ(engine.alertRules(), settings::defaultAlertRules());
    EXPECT_EQ(engine.presetPowerCaps(), settings::defaultPresetPowerCaps());
    EXPECT_TRUE(engine.customModes().empty());
    EXPECT_FALSE(engine.activeCustomModeID());
    EXPECT_FALSE(engine.quietHoursEnabled());
    EXPECT_FALSE(engine.meetingQuietEnabled());
    EXPECT_EQ(engine.summonShortcut(), GlobalShortcut::defaultSummon());
    EXPECT_EQ(engine.windowBackdrop(), WindowBackdrop::system);
    EXPECT_EQ(settings::defaultAlertRules().at(SensorCategory::memory), (AlertRule{false, 85, false}));
    EXPECT_EQ(settings::defaultPresetPowerCaps().at(FanPreset::auto_), (PresetPowerCaps{1.0, 0.7}));
}

TEST(EngineSettings, TheSummonShortcutFollowsItsClearedFlag) {
    const QByteArray controlK = bytes(R"({"keyCode":40,"carbonModifiers":4096})");
    struct Case {
        const char* edge;
        QVariant data;
        QVariant cleared;
        OptionalShortcut loaded;
    };
    const Case cases[] = {
        {"nothing stored", {}, {}, GlobalShortcut::defaultSummon()},
        {"a stored shortcut", controlK, false, GlobalShortcut{40, 4096}},
        {"cleared wins over stored data", controlK, true, std::nullopt},
        {"cleared with no data", {}, true, std::nullopt},
        {"undecodable data", bytes("{\"keyCode\":-1,\"carbonModifiers\":0}"), false, GlobalShortcut::defaultSummon()},
        {"not JSON", bytes("F"), {}, GlobalShortcut::defaultSummon()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EngineHarness h;
        if (c.data.isValid()) h.settings->setValue(key::summonShortcut, c.data);
        if (c.cleared.isValid()) h.settings->setValue(key::summonShortcutCleared, c.cleared);
        EXPECT_EQ(h.make().summonShortcut(), c.loaded);
    }
}

TEST(EngineSettings, ClearingTheShortcutRemovesItsDataAndSettingOneClearsTheFlag) {
    EngineHarness h;
    auto& engine = h.make();
    std::vector<OptionalShortcut> told;
    engine.setOnSummonShortcutChanged([&](const OptionalShortcut& s) { told.push_back(s); });
    engine.setSummonShortcut(std::nullopt);
    EXPECT_FALSE(h.settings->contains(key::summonShortcut));
    EXPECT_TRUE(h.settings->boolValue(key::summonShortcutCleared));
    engine.setSummonShortcut(GlobalShortcut{40, 0x1000});
    EXPECT_FALSE(h.settings->boolValue(key::summonShortcutCleared));
    EXPECT_EQ(h.settings->dataValue(key::summonShortcut), bytes(R"({"keyCode":40,"carbonModifiers":4096})"));
    EXPECT_EQ(told, (std::vector<OptionalShortcut>{std::nullopt, GlobalShortcut{40, 0x1000}}));
}

TEST(EngineSettings, KeyedTablesOverlayTheDefaultsInEitherStoredForm) {
    using Rules = AlertRuleTable;
    auto gpuOnly = settings::defaultAlertRules();
    gpuOnly[SensorCategory::gpu] = AlertRule{true, 80, true};
    struct Case {
        const char* edge;
        QVariant stored;
        Rules loaded;
    };
    const Case cases[] = {
        {"alternating array with only gpu",
         bytes(R"(["gpu",{"enabled":true,"thresholdCelsius":80,"autoBoost":true}])"), gpuOnly},
        {"keyed object with only gpu", bytes(R"({"gpu":{"autoBoost":true,"thresholdCelsius":80,"enabled":true}})"),
         gpuOnly},
        {"a later pair replaces an earlier one",
         bytes(R"(["gpu",{"enabled":false,"thresholdCelsius":70,"autoBoost":false},)"
               R"("gpu",{"enabled":true,"thresholdCelsius":80,"autoBoost":true}])"),
         gpuOnly},
        {"odd-length array", bytes(R"(["gpu"])"), settings::defaultAlertRules()},
        {"a key that names no category", bytes(R"(["gpus",{"enabled":true,"thresholdCelsius":80,"autoBoost":true}])"),
         settings::defaultAlertRules()},
        {"a rule missing a field", bytes(R"(["gpu",{"enabled":true,"thresholdCelsius":80}])"),
         settings::defaultAlertRules()},
        {"not JSON", bytes("gpu=80"), settings::defaultAlertRules()},
        {"a text, not data", QString(R"(["gpu",{"enabled":true,"thresholdCelsius":80,"autoBoost":true}])"),
         settings::defaultAlertRules()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EngineHarness h;
        h.settings->setValue(key::alertRules, c.stored);
        EXPECT_EQ(h.make().alertRules(), c.loaded);
        EXPECT_EQ(h.settings->value(key::alertRules), c.stored) << "bad data stays until the next write";
    }
}

TEST(EngineSettings, PresetCapsOverlayTheDefaultsAndNeedBothFigures) {
    struct Case {
        const char* edge;
        QByteArray stored;
        PresetPowerCaps quiet;
    };
    const Case cases[] = {
        {"quiet only", bytes(R"(["quiet",{"ac":0.4,"battery":0.2}])"), {0.4, 0.2}},
        {"keyed object", bytes(R"({"quiet":{"battery":0.2,"ac":0.4}})"), {0.4, 0.2}},
        {"battery missing", bytes(R"(["quiet",{"ac":0.4}])"), {0.55, 0.35}},
        {"a figure that is text", bytes(R"(["quiet",{"ac":"0.4","battery":0.2}])"), {0.55, 0.35}},
        {"an array of objects only", bytes(R"([{"ac":0.4,"battery":0.2}])"), {0.55, 0.35}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EngineHarness h;
        h.settings->setData(key::presetPowerCaps, c.stored);
        const auto caps = h.make().presetPowerCaps();
        EXPECT_EQ(caps.at(FanPreset::quiet), c.quiet);
        EXPECT_EQ(caps.at(FanPreset::auto_), (PresetPowerCaps{1.0, 0.7}));
        EXPECT_EQ(caps.at(FanPreset::max), (PresetPowerCaps{1.0, 1.0}));
    }
}

TEST(EngineSettings, StructuredSettingsAreWrittenWholeAsJSONAndReadBack) {
    EngineHarness first;
    auto& engine = first.make();
    auto rules = settings::defaultAlertRules();
    rules[SensorCategory::battery] = AlertRule{true, 41.5, false};
    engine.setAlertRules(rules);
    auto caps = settings::defaultPresetPowerCaps();
    caps[FanPreset::quiet] = PresetPowerCaps{0.5, 0.25};
    engine.setPresetPowerCaps(caps);
    const CustomMode mode(Uuid::random(), "Render", "cube.fill", ModeSpeed::fixed(0.7),
                          ModeSensor::source(ControlSource::gpuAverage), std::nullopt, true);
    engine.setCustomModes({mode});
    EXPECT_EQ(first.settings->dataValue(key::presetPowerCaps)->left(8), bytes(R"(["quiet")"))
        << "the caps are stored as the alternating array";

    EngineHarness next;
    for (const QString* k : {&key::alertRules, &key::presetPowerCaps, &key::customModes})
        next.settings->setValue(*k, first.settings->value(*k));
    auto& reloaded = next.make();
    EXPECT_EQ(reloaded.alertRules(), rules);
    EXPECT_EQ(reloaded.presetPowerCaps(), caps);
    EXPECT_EQ(reloaded.customModes(), CustomModeList{mode});
}

TEST(EngineSettings, AValueThatCannotBeEncodedLeavesTheStoredOneInPlace) {
    EngineHarness h;
    auto& engine = h.make();
    auto rules = settings::defaultAlertRules();
    engine.setAlertRules(rules);
    const QVariant stored = h.settings->value(key::alertRules);
    rules[SensorCategory::cpu].thresholdCelsius = std::numeric_limits<double>::quiet_NaN();
    engine.setAlertRules(rules);
    EXPECT_EQ(h.settings->value(key::alertRules), stored);
}

TEST(EngineSettings, UndecodableModesLoadAsNoneAndAnIdThatIsNoUUIDAsNone) {
    EngineHarness h;
    h.settings->setData(key::customModes, bytes(R"([{"id":"x"}])"));
    h.settings->setString(key::activeCustomModeID, "not-a-uuid");
    auto& engine = h.make(FanProfile::nimbraStandard());
    EXPECT_TRUE(engine.customModes().empty());
    EXPECT_FALSE(engine.activeCustomModeID());
}

TEST(EngineSettings, EverySetWritesThroughEvenWhenNothingChanged) {
    EngineHarness h;
    auto& engine = h.make();
    struct Case {
        const char* setting;
        std::function<void()> set;
        const QString* key;
    };
    const Case cases[] = {
        {"spool rate", [&] { engine.setSpoolRate(engine.spoolRate()); }, &key::spoolRate},
        {"control source", [&] { engine.setControlSource(engine.controlSource()); }, &key::controlSource},
        {"fahrenheit", [&] { engine.setUseFahrenheit(engine.useFahrenheit()); }, &key::useFahrenheit},
        {"precision", [&] { engine.setPreciseTemperatures(engine.preciseTemperatures()); }, &key::preciseTemperatures},
        {"accent", [&] { engine.setAccentChoice(engine.accentChoice()); }, &key::accentChoice},
        {"readout", [&] { engine.setMenuBarReadout(engine.menuBarReadout()); }, &key::menuBarReadout},
        {"dock icon", [&] { engine.setShowDockIcon(engine.showDockIcon()); }, &key::showDockIcon},
        {"temperature source", [&] { engine.setMenuBarTempSource(engine.menuBarTempSource()); },
         &key::menuBarTempSource},
        {"icon animation", [&] { engine.setMenuBarIconAnimated(engine.menuBarIconAnimated()); },
         &key::menuBarIconAnimated},
        {"first run", [&] { engine.setHasCompletedFirstRunSetup(false); }, &key::hasCompletedFirstRunSetup},
        {"overheat threshold", [&] { engine.setOverheatThreshold(90); }, &key::overheatThreshold},
        {"fan health", [&] { engine.setFanHealthWarningsEnabled(true); }, &key::fanHealthWarningsEnabled},
        {"pre-spool", [&] { engine.setPreSpoolEnabled(false); }, &key::preSpoolEnabled},
        {"alert rules", [&] { engine.setAlertRules(engine.alertRules()); }, &key::alertRules},
        {"preset caps", [&] { engine.setPresetPowerCaps(engine.presetPowerCaps()); }, &key::presetPowerCaps},
        {"custom modes", [&] { engine.setCustomModes({}); }, &key::customModes},
        {"quiet hours", [&] { engine.setQuietHoursEnabled(false); }, &key::quietHoursEnabled},
        {"quiet start", [&] { engine.setQuietHoursStart(1320); }, &key::quietHoursStart},
        {"quiet end", [&] { engine.setQuietHoursEnd(480); }, &key::quietHoursEnd},
        {"meeting quiet", [&] { engine.setMeetingQuietEnabled(false); }, &key::meetingQuietEnabled},
        {"backdrop", [&] { engine.setWindowBackdrop(WindowBackdrop::system); }, &key::windowBackdrop},
        {"shortcut", [&] { engine.setSummonShortcut(engine.summonShortcut()); }, &key::summonShortcut},
        {"active mode (removed when none)", [&] { engine.setActiveCustomModeID(std::nullopt); },
         &key::activeCustomModeID},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting);
        const auto before = h.settings->writes().size();
        c.set();
        const auto& writes = h.settings->writes();
        const bool wroteKey = std::any_of(writes.begin() + static_cast<std::ptrdiff_t>(before), writes.end(),
                                          [&](const std::string& w) { return w.ends_with(" " + c.key->toStdString()); });
        EXPECT_TRUE(wroteKey);
    }
}

TEST(EngineSettings, MembersThatLookLikeSettingsAreNotPersisted) {
    EngineHarness h;
    auto& engine = h.make();
    const auto before = h.settings->writes().size();
    engine.setAcousticAlpha(0.5);
    engine.setAutoSwitchOnBattery(false);
    engine.setDashboardVisible(true);
    engine.setMainWindowVisible(false);
    engine.setSummonShortcutConflict(true);
    EXPECT_EQ(h.settings->writes().size(), before);
}

TEST(EngineSettings, ChangeActions) {
    EngineHarness h;
    auto& engine = h.make();

    // Choosing the system backdrop releases the photographs every time.
    engine.setWindowBackdrop(WindowBackdrop::system);
    engine.setWindowBackdrop(WindowBackdrop::system);
    engine.setWindowBackdrop(WindowBackdrop::aurora);
    EXPECT_EQ(h.services->backdropPurges, 2);

    // The alerts speak the new unit.
    engine.setUseFahrenheit(true);
    EXPECT_TRUE(h.services->alerts->useFahrenheit);

    // A new smoothing factor rebuilds the curve pipeline.
    engine.selectProfile(FanProfile::silentStealth());
    engine.setAcousticAlpha(0.8);
    ASSERT_TRUE(engine.pipeline());
    EXPECT_DOUBLE_EQ(engine.pipeline()->ema.alpha(), 0.8);
}

TEST(EngineSettings, TurningFanHealthWarningsOffDropsEveryWarningOnlyWhenTurnedOff) {
    EngineHarness h;
    auto& engine = h.make();
    int notified = 0;
    QObject::connect(&engine, &ZephraneEngine::fanHealthWarningsChanged, [&] { ++notified; });
    engine.setFanHealthWarningsEnabled(false);
    EXPECT_TRUE(engine.fanHealthWarnings().empty());
    EXPECT_EQ(notified, 0) << "no warnings were held";
}

TEST(EngineSettings, LoweringTheOverheatThresholdBelowTheLastHottestReadingFlagsItAtOnce) {
    EngineHarness h;
    h.services->firstResults = {pollOf({}, {temperatureSensor("TC0P", "CPU Proximity", 82)})};
    auto& engine = h.make();
    engine.start();
    ASSERT_FALSE(engine.isOverheating());
    engine.setOverheatThreshold(80);
    EXPECT_TRUE(engine.isOverheating());
    engine.setOverheatThreshold(82.5);
    EXPECT_FALSE(engine.isOverheating());
}

// The settings file is INI, where every scalar comes back as text: the
// typed readers must read it back as the app wrote it.
TEST(EngineSettings, TheSettingsFileKeepsEveryKindOfValueAcrossLaunches) {
    QTemporaryDir dir;
    const QString path = dir.filePath("com.zephrane.app.ini");
    {
        QSettingsStore store(path);
        store.setBool(key::useFahrenheit, true);
        store.setBool(key::showDockIcon, false);
        store.setDouble(key::spoolRate, 2500.5);
        store.setInteger(key::quietHoursStart, 75);
        store.setString(key::controlSource, "cpuPerformance");
        store.setData(key::presetPowerCaps, bytes(R"(["max",{"ac":0.9,"battery":0.8}])"));
        store.settings().sync();
    }
    QSettingsStore reopened(path);
    EXPECT_TRUE(reopened.keptCopy().isEmpty()) << "a file Qt wrote loads cleanly";
    EXPECT_TRUE(reopened.boolValue(key::useFahrenheit));
    EXPECT_FALSE(reopened.boolValue(key::showDockIcon));
    EXPECT_TRUE(reopened.contains(key::showDockIcon));
    EXPECT_EQ(reopened.doubleValue(key::spoolRate), 2500.5);
    EXPECT_EQ(reopened.integerValue(key::quietHoursStart), 75);
    EXPECT_EQ(reopened.stringValue(key::controlSource), "cpuPerformance");
    EXPECT_EQ(settings::loadPresetPowerCaps(reopened).at(FanPreset::max), (PresetPowerCaps{0.9, 0.8}));
    EXPECT_FALSE(reopened.contains(key::meetingQuietEnabled));
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// A file the user edited by hand, with a value Qt cannot read and a mode
// the launch clears: the first write respells it whole, so before that it
// is kept beside it as it was, once, and said so once.
TEST(EngineSettings, AFileThatDidNotLoadCleanlyIsKeptAsItWasBeforeItIsRewritten) {
    oslog::setOutput(oslog::Output::none);
    oslog::CaptureSink log;
    QTemporaryDir dir;
    const QString path = dir.filePath("com.zephrane.app.ini");
    const QByteArray original =
        "; my fan notes: quiet at night\n"
        "[General]\n"
        "com.zephrane.useFahrenheit=true\n"
        "this line is no setting\n"
        "com.zephrane.spoolRate=@Variant(\\0\\0\\0\\x7f\\0garbage)\n"
        "com.zephrane.activeCustomModeID=8E1B5C52-3B1E-4E7A-9D2A-0F8B8C0D9E11\n"
        "com.zephrane.quietDays=1,2,3\n"
        "com.zephrane.pinnedNames=a,b\n";
    writeBytes(path, original);
    {
        QSettingsStore store(path);
        EXPECT_EQ(store.keptCopy(), path + ".kept");
        EXPECT_TRUE(store.boolValue(key::useFahrenheit)) << "it still loads what it can";
        store.remove(key::activeCustomModeID);  // as the launch does for a mode that is gone
        store.settings().sync();
    }
    EXPECT_EQ(fileBytes(path + ".kept"), original);
    EXPECT_NE(fileBytes(path), original) << "the rewrite respelled it";
    const auto kept = log.records("com.zephrane.app", "settings");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept.front().level, oslog::Level::info);

    // Rewritten by Qt, it loads cleanly: nothing more is kept.
    {
        QSettingsStore store(path);
        EXPECT_TRUE(store.keptCopy().isEmpty());
        store.setBool(key::useFahrenheit, false);
        store.settings().sync();
    }
    EXPECT_FALSE(QFile::exists(path + ".kept.2"));

    // Edited again: kept once more beside the first, which stays as it was;
    // a launch that changes nothing keeps it no second time.
    QByteArray edited = fileBytes(path);
    edited.prepend("# edited again\n");
    writeBytes(path, edited);
    for (int launch = 0; launch < 2; ++launch) {
        const QSettingsStore store(path);
        EXPECT_EQ(store.keptCopy(), launch == 0 ? path + ".kept.2" : QString()) << "launch " << launch;
    }
    EXPECT_EQ(fileBytes(path + ".kept.2"), edited);
    EXPECT_EQ(fileBytes(path + ".kept"), original);
    EXPECT_FALSE(QFile::exists(path + ".kept.3"));
    oslog::setOutput(oslog::Output::standardError);
}

}  // namespace
}  // namespace zephrane::enginetest

namespace zephrane::enginetest {
namespace {

TEST(EngineSettings, TheSectionReadsEitherFormAndIsStoredInLowerCase) {
    struct Case {
        QVariant stored;
        Section loaded;
    };
    const Case cases[] = {
        {QVariant(), Section::dashboard},      {QString("sensors"), Section::sensors},
        {QString("Modes"), Section::modes},    {QString("settings"), Section::settings},
        {QString("SETTINGS"), Section::dashboard}, {QString("history"), Section::dashboard},
        {QString(""), Section::dashboard},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.toString().toStdString());
        EngineHarness h;
        if (c.stored.isValid()) h.settings->setValue(settings::key::selectedSection, c.stored);
        EXPECT_EQ(h.make().selectedSection(), c.loaded);
    }
    EngineHarness h;
    h.settings->setValue(settings::key::selectedSection, QString("Sensors"));
    auto& engine = h.make();
    int changes = 0;
    QObject::connect(&engine, &ZephraneEngine::selectedSectionChanged, [&changes] { ++changes; });
    engine.setSelectedSection(Section::modes);
    engine.setSelectedSection(Section::modes);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(h.settings->value(settings::key::selectedSection).toString(), "modes");
}

TEST(EngineSettings, ShowingAllSensorsIsStoredUnderItsOwnKey) {
    EngineHarness first;
    EXPECT_FALSE(first.make().showAllSensors());
    first.engine().setShowAllSensors(true);
    EXPECT_EQ(first.settings->value(settings::key::showAllSensors).toBool(), true);
    EngineHarness next;
    next.settings->setBool(settings::key::showAllSensors, true);
    EXPECT_TRUE(next.make().showAllSensors());
}

}  // namespace
}  // namespace zephrane::enginetest
