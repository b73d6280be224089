// The dashboard's daemon card and its sensors card: whether the daemon card
// stands at the top, what it says and in which colour; which of the fixed
// device readings the sensors card lists, and which one is expanded.
#pragma once

#include <optional>
#include <string>

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Face/RowListModel.hpp"

namespace zephrane::mainwindow {

// The readings of the sensors card, by id, in the card's order.
class DashboardSensorModel : public face::RowListModel<std::string, std::string> {
    Q_OBJECT
    QML_ANONYMOUS

public:
    enum Role { ReadingIdRole = firstRole, IsExpandedRole };
    Q_ENUM(Role)

    explicit DashboardSensorModel(QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role) const override;

    void update(const std::vector<std::string>& ids);
    void setExpanded(const std::optional<std::string>& id);

private:
    std::optional<std::string> expanded_;
};

class DashboardPresenter : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(zephrane::face::EngineFace* face READ face WRITE setFace NOTIFY faceChanged)
    Q_PROPERTY(bool daemonNoticeShown READ daemonNoticeShown NOTIFY daemonChanged)
    Q_PROPERTY(QString daemonTitle READ daemonTitle NOTIFY daemonChanged)
    Q_PROPERTY(QString daemonSubtitle READ daemonSubtitle NOTIFY daemonChanged)
    Q_PROPERTY(QColor daemonTint READ daemonTint NOTIFY daemonChanged)
    // MainViewPresenter's expanded row ("" for none).
    Q_PROPERTY(QString expandedSensorID READ expandedSensorID WRITE setExpandedSensorID NOTIFY expandedSensorIDChanged)
    Q_PROPERTY(zephrane::mainwindow::DashboardSensorModel* sensors READ sensorsModel CONSTANT)
    Q_PROPERTY(bool hasSensors READ hasSensors NOTIFY hasSensorsChanged)

public:
    explicit DashboardPresenter(QObject* parent = nullptr);

    face::EngineFace* face() const { return face_; }
    void setFace(face::EngineFace* face);

    bool daemonNoticeShown() const;
    QString daemonTitle() const;
    QString daemonSubtitle() const;
    QColor daemonTint() const;

    QString expandedSensorID() const;
    void setExpandedSensorID(const QString& id);
    DashboardSensorModel& sensors() { return sensors_; }
    bool hasSensors() const { return sensors_.count() > 0; }

signals:
    void faceChanged();
    void daemonChanged();
    void expandedSensorIDChanged();
    void hasSensorsChanged();

private:
    DashboardSensorModel* sensorsModel() { return &sensors_; }
    void refreshSensors();

    QPointer<face::EngineFace> face_;
    std::optional<std::string> expanded_;
    DashboardSensorModel sensors_;
    bool hadSensors_ = false;
};

}  // namespace zephrane::mainwindow
