// The fans card: the picker of how the fans are driven (read back from the
// engine, so a choice the engine does not take is not shown as taken), the
// custom mode's name while one drives them, the gauges' row, the fans'
// health badges and the dust-cycle control at its foot.
#pragma once

#include <optional>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/MainWindow/FanMode.hpp"

namespace zephrane::mainwindow {

class FansCardPresenter : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(zephrane::face::EngineFace* face READ face WRITE setFace NOTIFY faceChanged)
    // [{id, title}] of the picker, in its order; the ids are FanMode's.
    Q_PROPERTY(QVariantList segments READ segments CONSTANT)
    // The selected segment's id; undefined for none.
    Q_PROPERTY(QVariant fanMode READ fanModeValue NOTIFY fanModeChanged)
    Q_PROPERTY(bool hasFans READ hasFans NOTIFY fansChanged)
    Q_PROPERTY(QString customModeCaption READ customModeCaption NOTIFY fanModeChanged)
    // The fan ids, ascending, as FanFlowMeter takes them.
    Q_PROPERTY(QVariantList sortedIDs READ sortedIDs NOTIFY fansChanged)
    Q_PROPERTY(double gaugeRowMaximumWidth READ gaugeRowMaximumWidth NOTIFY fansChanged)
    Q_PROPERTY(bool dustCycleAvailable READ dustCycleAvailable NOTIFY dustCycleChanged)
    Q_PROPERTY(bool dustCycleRunning READ dustCycleRunning NOTIFY dustCycleChanged)
    Q_PROPERTY(QString dustCycleCountdown READ dustCycleCountdown NOTIFY dustCycleChanged)

public:
    explicit FansCardPresenter(QObject* parent = nullptr);

    face::EngineFace* face() const { return face_; }
    void setFace(face::EngineFace* face);

    QVariantList segments() const;
    std::optional<FanMode> fanMode() const;
    QVariant fanModeValue() const;
    // A segment chosen; a choice of none (or of something else) is ignored.
    Q_INVOKABLE void chooseFanMode(const QVariant& mode);
    bool hasFans() const;
    QString customModeCaption() const;
    QVariantList sortedIDs() const;
    double gaugeRowMaximumWidth() const;

    // A fan's health badge, by the fan list's warning ("stalled",
    // "underperforming"; "" for none).
    Q_INVOKABLE QString healthHelp(const QString& warning) const;
    Q_INVOKABLE QString healthLabel(const QString& warning) const;

    bool dustCycleAvailable() const;
    bool dustCycleRunning() const;
    QString dustCycleCountdown() const;
    Q_INVOKABLE void cancelDustCycle();

signals:
    void faceChanged();
    void fanModeChanged();
    void fansChanged();
    void dustCycleChanged();

private:
    QPointer<face::EngineFace> face_;
};

}  // namespace zephrane::mainwindow
