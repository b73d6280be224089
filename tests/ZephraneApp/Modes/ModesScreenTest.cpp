// The modes screen's presenter on the scripted face: engaging and turning
// off a mode in the engine's order, the requests other screens leave (taken
// on coming into view, in order, and at once while shown), templates,
// saving from the editor, the delete confirmation, the count and the fan
// range every speed is read against.
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "ModesFixture.hpp"
#include "ZephraneApp/Face/ShellFace.hpp"
#include "ZephraneApp/Modes/ModesScreen.hpp"
#include "platform/oslog/OSLog.hpp"

namespace zephrane::modes {
namespace {

using namespace testing;
namespace command = face::command;
using face::FaceCommand;
using Commands = std::vector<FaceCommand>;

QString idText(const CustomMode& mode) { return QString::fromStdString(mode.id().uuidString()); }

class ModesScreenTest : public ::testing::Test {
protected:
    ModesScreenTest() {
        publishLaptopFan(face);
        publishModes(face, {gaming, recording, rendering});
        face.clearCommands();
    }

    face::ScriptedEngineFace face;
    CustomMode gaming = makeMode("Gaming", ModeSpeed::fixed(0.7));
    CustomMode recording = makeMode("Recording");
    CustomMode rendering = makeMode("Rendering", ModeSpeed::floor(0.8));
    ModesScreen screen{face};
};

TEST_F(ModesScreenTest, EngagesAnInactiveModeAndHandsAnActiveOneBackToTheSystem) {
    screen.engageOrDisengageMode(idText(recording), false);
    EXPECT_EQ(face.commands(), (Commands{command::SelectCustomMode{recording.id()}}));

    // Turning off: the preset only when one is set, then the mode, then the
    // system's own profile.
    for (const bool presetSet : {false, true}) {
        if (presetSet) face.drive().selectPreset(face::DriveFace::Quiet);
        face.modes().selectCustomMode(recording.id());
        face.clearCommands();
        screen.engageOrDisengageMode(idText(recording), true);
        Commands expected;
        if (presetSet) expected.push_back(command::ClearActivePreset{});
        expected.push_back(command::ClearActiveCustomMode{});
        expected.push_back(command::ApplyProfile{FanProfile::appleAuto()});
        EXPECT_EQ(face.commands(), expected) << (presetSet ? "with a preset set" : "without a preset");
        EXPECT_FALSE(face.modes().hasActiveCustomMode());
        EXPECT_EQ(face.drive().activePreset(), std::nullopt);
        EXPECT_EQ(face.drive().activeProfile(), FanProfile::appleAuto());
    }
}

TEST_F(ModesScreenTest, ComingIntoViewTakesCreationThenEditorThenDelete) {
    face.shell().requestModeCreation();
    face.shell().requestModeEditor(recording.id());
    face.shell().requestModeDelete(rendering.id());
    face.clearCommands();
    ASSERT_FALSE(screen.editorOpen()) << "nothing is taken while the screen is not shown";

    screen.setShown(true);
    EXPECT_EQ(face.commands(), (Commands{command::ConsumeRequest{command::Request::modeCreation},
                                         command::ConsumeRequest{command::Request::modeEditor},
                                         command::ConsumeRequest{command::Request::modeDelete}}));
    EXPECT_EQ(screen.editorTarget(), ModeEditorTarget::edit(recording)) << "the editor request wins over creation";
    EXPECT_EQ(screen.editor()->name(), QStringLiteral("Recording"));
    EXPECT_EQ(screen.pendingDelete(), rendering) << "and the confirmation is asked for as well";
    EXPECT_FALSE(face.shell().pendingModeCreationRequest());
    EXPECT_EQ(face.shell().pendingModeEditorID(), std::nullopt);
    EXPECT_EQ(face.shell().pendingModeDeleteID(), std::nullopt);
}

TEST_F(ModesScreenTest, WhileShownEachRequestIsTakenAtOnce) {
    screen.setShown(true);
    face.clearCommands();

    face.shell().requestModeCreation();
    EXPECT_EQ(screen.editorTarget(), ModeEditorTarget::newMode());
    EXPECT_FALSE(face.shell().pendingModeCreationRequest()) << "the menu command's flag is false again";
    screen.closeEditor();

    face.shell().requestModeDelete(gaming.id());
    EXPECT_EQ(screen.pendingDelete(), gaming);
    EXPECT_FALSE(screen.editorOpen()) << "one request alone is taken";
    screen.cancelDelete();

    face.clearCommands();
    face.shell().requestModeEditor(rendering.id());
    EXPECT_EQ(screen.editorTarget(), ModeEditorTarget::edit(rendering));
    EXPECT_EQ(face.commands(), (Commands{command::RaiseRequest{command::Request::modeEditor, rendering.id()},
                                         command::ConsumeRequest{command::Request::modeEditor}}));
    screen.closeEditor();

    screen.setShown(false);
    face.clearCommands();
    face.shell().requestModeCreation();
    EXPECT_FALSE(screen.editorOpen()) << "a hidden screen leaves it for later";
    EXPECT_TRUE(face.shell().pendingModeCreationRequest());
    screen.setShown(true);
    EXPECT_EQ(screen.editorTarget(), ModeEditorTarget::newMode());
}

TEST_F(ModesScreenTest, ARequestForAModeNoLongerListedOpensNothing) {
    const Uuid gone = Uuid::random();
    face.shell().requestModeEditor(gone);
    face.shell().requestModeDelete(gone);
    screen.setShown(true);
    EXPECT_FALSE(screen.editorOpen());
    EXPECT_FALSE(screen.confirmingDelete());
    EXPECT_EQ(face.shell().pendingModeEditorID(), std::nullopt) << "cleared all the same";
    EXPECT_EQ(face.shell().pendingModeDeleteID(), std::nullopt);
}

TEST_F(ModesScreenTest, AskingAgainForTheOpenSheetKeepsWhatWasTyped) {
    screen.editMode(idText(gaming));
    screen.editor()->setName(QStringLiteral("Games"));
    QSignalSpy targets(&screen, &ModesScreen::editorTargetChanged);
    screen.editMode(idText(gaming));
    EXPECT_EQ(screen.editor()->name(), QStringLiteral("Games"));
    EXPECT_EQ(targets.count(), 0);
    screen.editMode(idText(recording));
    EXPECT_EQ(screen.editor()->name(), QStringLiteral("Recording")) << "another mode's sheet starts afresh";
    EXPECT_EQ(screen.editorTargetIdentity(), idText(recording));
}

TEST_F(ModesScreenTest, TemplatesAddCopiesUnderNewIds) {
    screen.addFromTemplate(0);
    screen.addFromTemplate(0);
    screen.addFromTemplate(3);  // there are three
    ASSERT_EQ(face.commands().size(), 2U);
    const CustomMode& model = CustomMode::templates().front();
    std::vector<Uuid> ids;
    for (const FaceCommand& c : face.commands()) {
        const auto* add = std::get_if<command::AddCustomMode>(&c);
        ASSERT_NE(add, nullptr);
        EXPECT_NE(add->mode.id(), model.id());
        EXPECT_EQ(CustomMode(model.id(), add->mode.name(), add->mode.symbolName(), add->mode.speed(),
                             add->mode.controlSensor(), add->mode.displaySensor(), add->mode.drivesMainReadout()),
                  model)
            << "every field but the id is the template's";
        ids.push_back(add->mode.id());
    }
    EXPECT_NE(ids[0], ids[1]) << "the same template twice gives two modes";
}

TEST_F(ModesScreenTest, SaveAddsANewModeOrUpdatesTheEditedOne) {
    screen.newMode();
    const Uuid newId = screen.editor()->modeId();
    screen.editor()->setName(QStringLiteral("  Quiet work\n"));
    screen.editor()->setSymbolName(QStringLiteral("moon.fill"));
    screen.saveEditedMode();
    ASSERT_EQ(face.commands().size(), 1U);
    const auto* add = std::get_if<command::AddCustomMode>(&face.commands()[0]);
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->mode, CustomMode(newId, "Quiet work", "moon.fill", ModeSpeed::floor(0.5),
                                    ModeSensor::source(ControlSource::hottest), std::nullopt, false));
    EXPECT_FALSE(screen.editorOpen());

    face.clearCommands();
    screen.editMode(idText(recording));
    screen.editor()->setFixedSpeed(true);
    screen.saveEditedMode();
    CustomMode updated = recording;
    updated.setSpeed(ModeSpeed::fixed(0.25));
    EXPECT_EQ(face.commands(), (Commands{command::UpdateCustomMode{updated}}));

    face.clearCommands();
    screen.newMode();
    screen.editor()->setName(QStringLiteral(" \n\t "));
    screen.saveEditedMode();
    EXPECT_TRUE(face.commands().empty()) << "a blank name saves nothing";
    EXPECT_TRUE(screen.editorOpen());
    screen.closeEditor();
    screen.saveEditedMode();
    EXPECT_TRUE(face.commands().empty());
}

TEST_F(ModesScreenTest, DeleteOnlyAfterConfirmation) {
    QSignalSpy pending(&screen, &ModesScreen::pendingDeleteChanged);
    screen.askToDelete(idText(gaming));
    EXPECT_TRUE(face.commands().empty());
    EXPECT_TRUE(screen.confirmingDelete());
    EXPECT_EQ(screen.deleteMessage(), QStringLiteral("\u201CGaming\u201D will be removed. This can't be undone."));
    screen.cancelDelete();
    EXPECT_TRUE(face.commands().empty());
    EXPECT_FALSE(screen.confirmingDelete());

    screen.askToDelete(idText(gaming));
    screen.confirmDelete();
    EXPECT_EQ(face.commands(), (Commands{command::DeleteCustomMode{gaming.id()}}));
    EXPECT_FALSE(screen.confirmingDelete());
    EXPECT_EQ(pending.count(), 4);

    face.clearCommands();
    screen.confirmDelete();
    EXPECT_TRUE(face.commands().empty()) << "nothing pending deletes nothing";
    screen.askToDelete(QStringLiteral("not an id"));
    EXPECT_FALSE(screen.confirmingDelete());
}

TEST_F(ModesScreenTest, DuplicateIsTheEngines) {
    screen.duplicateMode(idText(rendering));
    EXPECT_EQ(face.commands(), (Commands{command::DuplicateCustomMode{rendering.id()}}));
}

TEST_F(ModesScreenTest, CountAndFans) {
    EXPECT_TRUE(screen.hasModes());
    EXPECT_EQ(screen.countText(), QStringLiteral("3 custom modes"));
    QSignalSpy count(&screen, &ModesScreen::countTextChanged);
    QSignalSpy has(&screen, &ModesScreen::hasModesChanged);
    publishModes(face, {gaming});
    EXPECT_EQ(screen.countText(), QStringLiteral("1 custom mode"));
    EXPECT_EQ(has.count(), 0);
    publishModes(face, {});
    EXPECT_FALSE(screen.hasModes());
    EXPECT_EQ(has.count(), 1);
    EXPECT_EQ(count.count(), 2);

    EXPECT_TRUE(screen.canEngage());
    EXPECT_EQ(screen.modeDisabledReason(), QString());
    QSignalSpy engage(&screen, &ModesScreen::canEngageChanged);
    publishFans(face, {});
    EXPECT_FALSE(screen.canEngage());
    EXPECT_EQ(screen.modeDisabledReason(), QStringLiteral("This Mac reports no controllable fans."));
    EXPECT_EQ(engage.count(), 1);
}

TEST_F(ModesScreenTest, SpeedsAreReadAgainstTheLowestIdFan) {
    const auto templateSummary = [this](int row) {
        const auto* model = screen.templates();
        return model->data(model->index(row), ModeTemplateModel::SpeedSummaryRole).toString();
    };
    publishFans(face, {{1, {1000, 2000}}, {0, {1200, 6000}}});
    EXPECT_EQ(templateSummary(0), QStringLiteral("4 560 RPM"));
    EXPECT_EQ(templateSummary(1), QStringLiteral("Min 2 400 RPM"));
    publishFans(face, {{1, {1000, 2000}}});
    EXPECT_EQ(templateSummary(0), QStringLiteral("1 700 RPM"));
    publishFans(face, {});
    EXPECT_EQ(templateSummary(0), QStringLiteral("Fixed 70%")) << "without fans, per cent";
    EXPECT_EQ(templateSummary(2), QStringLiteral("Min 80%"));
    const auto* model = screen.templates();
    EXPECT_EQ(model->data(model->index(0), ModeTemplateModel::AccessibleHintRole).toString(),
              QStringLiteral("Adds a custom mode named Gaming with a Fixed 70% speed"));
}

TEST(ModeRowLogTest, ChipsLogUnderTheAppsLifecycle) {
    oslog::CaptureSink sink;
    ModeRowLog log;
    log.editTapped();
    log.deleteTapped();
    const std::vector<oslog::LogRecord> expected{
        {"com.zephrane.app", "lifecycle", oslog::Level::info, "mode edit tapped"},
        {"com.zephrane.app", "lifecycle", oslog::Level::info, "mode delete tapped"},
    };
    EXPECT_EQ(sink.records("com.zephrane.app", "lifecycle"), expected);
}

}  // namespace
}  // namespace zephrane::modes
