// The fan gauge's rules for FanFlowMeter.qml: the fan `fanId` of the face's
// fan table, its speed, fractions, spin, name and spoken label, and under
// manual control the slider that sets its target at every change.
#pragma once

#include <cstdint>
#include <vector>

#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Dashboard/Presenters/FacePresenter.hpp"
#include "ZephraneApp/Dashboard/Rules/FanGaugeFigures.hpp"

namespace zephrane::dashboard {

class FanGaugePresenter : public FacePresenter {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(int fanId READ fanId WRITE setFanId NOTIFY inputChanged)
    // Every fan id the caller shows, ascending.
    Q_PROPERTY(QVariant sortedIDs READ sortedIDs WRITE setSortedIDs NOTIFY inputChanged)
    Q_PROPERTY(bool mini READ mini WRITE setMini NOTIFY inputChanged)
    Q_PROPERTY(double currentFraction READ currentFraction NOTIFY changed)
    // The marker's fraction, or undefined for none.
    Q_PROPERTY(QVariant targetFraction READ targetFraction NOTIFY changed)
    Q_PROPERTY(QString speedText READ speedText NOTIFY changed)
    Q_PROPERTY(double spinRate READ spinRate NOTIFY changed)
    Q_PROPERTY(QString name READ name NOTIFY changed)
    Q_PROPERTY(QString accessibleLabel READ accessibleLabel NOTIFY changed)
    Q_PROPERTY(bool showsSlider READ showsSlider NOTIFY changed)
    Q_PROPERTY(double sliderFrom READ sliderFrom NOTIFY changed)
    Q_PROPERTY(double sliderTo READ sliderTo NOTIFY changed)
    Q_PROPERTY(double sliderValue READ sliderValue NOTIFY changed)
    Q_PROPERTY(QString sliderLabel READ sliderLabel NOTIFY changed)
    Q_PROPERTY(QString targetCaption READ targetCaption NOTIFY changed)
    // The slider's step for the keyboard and assistive technologies: a
    // hundredth of its range.
    Q_PROPERTY(double sliderStep READ sliderStep NOTIFY changed)
    Q_PROPERTY(QString unitText READ unitText CONSTANT)
    Q_PROPERTY(QString symbolName READ symbolName CONSTANT)

public:
    explicit FanGaugePresenter(QObject* parent = nullptr);

    int fanId() const { return fanId_; }
    void setFanId(int id);
    QVariant sortedIDs() const;
    void setSortedIDs(const QVariant& ids);
    bool mini() const { return mini_; }
    void setMini(bool mini);

    const FanGaugeFigures& figures() const { return figures_; }
    double currentFraction() const { return figures_.currentFraction; }
    QVariant targetFraction() const;
    QString speedText() const { return QString::fromStdString(figures_.speedText); }
    double spinRate() const { return figures_.spinRate; }
    QString name() const { return QString::fromStdString(figures_.name); }
    QString accessibleLabel() const { return QString::fromStdString(figures_.accessibleLabel); }
    bool showsSlider() const { return figures_.showsSlider; }
    double sliderFrom() const { return figures_.sliderFrom; }
    double sliderTo() const { return figures_.sliderTo; }
    double sliderValue() const { return figures_.sliderValue; }
    QString sliderLabel() const { return name() + QStringLiteral(" target RPM"); }
    QString targetCaption() const { return QString::fromStdString(figures_.targetCaption); }
    double sliderStep() const { return (figures_.sliderTo - figures_.sliderFrom) / 100; }
    QString unitText() const { return QStringLiteral("RPM"); }
    QString symbolName() const { return QStringLiteral("fan.fill"); }

    // The slider moved: the fan's manual target is this, unrounded.
    Q_INVOKABLE void setTarget(double rpm);

signals:
    void inputChanged();
    void changed();

protected:
    void follow(face::EngineFace& face) override;
    void refresh() override;

private:
    int fanId_ = 0;
    std::vector<std::int64_t> sortedIDs_;
    bool mini_ = false;
    FanGaugeFigures figures_;
};

}  // namespace zephrane::dashboard
