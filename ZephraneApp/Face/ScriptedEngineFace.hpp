// A face with no engine behind it, for presenter tests and the gallery: a
// test (or a gallery state) publishes the state it wants shown through the
// concerns' publish() calls, and reads back what the views asked for as the
// list of commands performed.
//
// Like the engine, it stores what a view writes: settings, the section and
// window reports, the one-shot requests, pins, the summon shortcut and the
// caps, the alert rules, the login item and the activation policy, the
// preset, profile and custom mode chosen. It applies none of the
// engine's rules (no profile follows a preset's power cap, no fan moves).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "ZephraneApp/Face/EngineFace.hpp"

namespace zephrane::face {

// A notification permission request the scripted face holds until a test
// answers it.
class HeldNotificationRequest : public QObject {
    Q_OBJECT
public:
    notifications::AuthorizationResult answer;
signals:
    void answered();
};

class ScriptedEngineFace final : public EngineFace {
    Q_OBJECT
    QML_ANONYMOUS

public:
    explicit ScriptedEngineFace(QObject* parent = nullptr);

    void perform(FaceCommand command) override;
    QCoro::Task<std::optional<QString>> exportHistoryCSV() override;
    QCoro::Task<notifications::AuthorizationResult> requestNotificationAuthorization() override;

    // Everything performed, in order.
    const std::vector<FaceCommand>& commands() const { return commands_; }
    void clearCommands() { commands_.clear(); }
    // Runs after each command was recorded and stored.
    void setResponder(std::function<void(const FaceCommand&)> responder) { responder_ = std::move(responder); }
    // What exportHistoryCSV() answers; none by default.
    void setExportResult(std::optional<QString> path) { exportResult_ = std::move(path); }

    // The login item as the system holds it; a view sees a change made
    // here (as if in the system's own settings) once it reads it again.
    // With a failure every change fails with that description.
    void setLoginItemRegistered(bool registered) { loginItemRegistered_ = registered; }
    void setLoginItemFailure(std::optional<std::string> failure) { loginItemFailure_ = std::move(failure); }
    // How notification permission requests are answered: at once with
    // `answer`, or held until answerHeldNotificationRequest().
    void setNotificationAnswer(notifications::AuthorizationResult answer) { notificationAnswer_ = std::move(answer); }
    void holdNotificationRequests(bool hold) { holdNotifications_ = hold; }
    std::size_t heldNotificationRequests() const { return heldNotifications_.size(); }
    // Answers the index-th held request (in the order they were asked).
    void answerHeldNotificationRequest(std::size_t index, notifications::AuthorizationResult answer);

private:
    void store(const FaceCommand& command);

    std::vector<FaceCommand> commands_;
    std::function<void(const FaceCommand&)> responder_;
    std::optional<QString> exportResult_;
    bool loginItemRegistered_ = false;
    std::optional<std::string> loginItemFailure_;
    notifications::AuthorizationResult notificationAnswer_{true, std::nullopt};
    bool holdNotifications_ = false;
    std::vector<std::shared_ptr<HeldNotificationRequest>> heldNotifications_;
};

// "SelectPreset(quiet)": a command as a test's failure message shows it.
std::string describe(const FaceCommand& command);

namespace command {
// Where GoogleTest looks for a printer of the commands' variant.
void PrintTo(const FaceCommand& command, std::ostream* out);
}  // namespace command

}  // namespace zephrane::face
