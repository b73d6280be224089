// The user's custom modes and the one that is active.
#pragma once

#include <optional>

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Face/CustomModeModel.hpp"
#include "shared/CustomMode.hpp"
#include "shared/Uuid.hpp"

namespace zephrane::face {

class EngineFace;

class ModesFace final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("part of Face")
    Q_PROPERTY(zephrane::face::CustomModeModel* customModes READ customModesModel CONSTANT)
    Q_PROPERTY(QString activeCustomModeID READ activeCustomModeIDText NOTIFY activeCustomModeIDChanged)
    Q_PROPERTY(bool hasActiveCustomMode READ hasActiveCustomMode NOTIFY activeCustomModeIDChanged)

public:
    ModesFace(EngineFace& face, QObject* parent);

    CustomModeModel& customModes() { return customModes_; }
    const CustomModeModel& customModes() const { return customModes_; }
    const std::optional<Uuid>& activeCustomModeID() const { return activeCustomModeID_; }
    QString activeCustomModeIDText() const;
    bool hasActiveCustomMode() const { return activeCustomModeID_.has_value(); }
    // The active mode as the list holds it; none when no listed mode is active.
    std::optional<CustomMode> activeCustomMode() const;

    Q_INVOKABLE void selectCustomMode(const QString& id);
    void selectCustomMode(const Uuid& id);
    // Forgets the active mode, only when one is set.
    Q_INVOKABLE void clearActiveCustomMode();
    void addCustomMode(CustomMode mode);
    void updateCustomMode(CustomMode mode);
    Q_INVOKABLE void duplicateCustomMode(const QString& id);
    Q_INVOKABLE void deleteCustomMode(const QString& id);

    // For the face's implementation: what the engine now holds.
    void publishActiveCustomModeID(std::optional<Uuid> id);

signals:
    void activeCustomModeIDChanged();

private:
    CustomModeModel* customModesModel() { return &customModes_; }

    EngineFace& face_;
    std::optional<Uuid> activeCustomModeID_;
    CustomModeModel customModes_;
};

}  // namespace zephrane::face
