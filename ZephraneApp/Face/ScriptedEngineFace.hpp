// A face with no engine behind it, for presenter tests and the gallery: a
// test (or a gallery state) publishes the state it wants shown through the
// concerns' publish() calls, and reads back what the views asked for as the
// list of commands performed.
//
// Like the engine, it stores what a view writes: settings, the section and
// window reports, the one-shot requests, pins, the summon shortcut and the
// caps, the preset, profile and custom mode chosen. It applies none of the
// engine's rules (no profile follows a preset's power cap, no fan moves).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "ZephraneApp/Face/EngineFace.hpp"

namespace zephrane::face {

class ScriptedEngineFace final : public EngineFace {
    Q_OBJECT
    QML_ANONYMOUS

public:
    explicit ScriptedEngineFace(QObject* parent = nullptr);

    void perform(FaceCommand command) override;
    QCoro::Task<std::optional<QString>> exportHistoryCSV() override;

    // Everything performed, in order.
    const std::vector<FaceCommand>& commands() const { return commands_; }
    void clearCommands() { commands_.clear(); }
    // Runs after each command was recorded and stored.
    void setResponder(std::function<void(const FaceCommand&)> responder) { responder_ = std::move(responder); }
    // What exportHistoryCSV() answers; none by default.
    void setExportResult(std::optional<QString> path) { exportResult_ = std::move(path); }

private:
    void store(const FaceCommand& command);

    std::vector<FaceCommand> commands_;
    std::function<void(const FaceCommand&)> responder_;
    std::optional<QString> exportResult_;
};

// "SelectPreset(quiet)": a command as a test's failure message shows it.
std::string describe(const FaceCommand& command);

namespace command {
// Where GoogleTest looks for a printer of the commands' variant.
void PrintTo(const FaceCommand& command, std::ostream* out);
}  // namespace command

}  // namespace zephrane::face
