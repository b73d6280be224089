// The device sensor row's rules for DeviceSensorRow.qml: the reading
// `readingId` of the face's device sensors, its value and colour, its pin
// control, its spoken label, value and hint, and while expanded its
// history with the graph's tint and the lowest and highest values. A
// collapsed row never reads its history, so a new sample alone leaves it
// alone.
#pragma once

#include <QList>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Dashboard/Presenters/FacePresenter.hpp"
#include "ZephraneApp/Dashboard/Rules/DeviceRowText.hpp"

namespace zephrane::dashboard {

class DeviceSensorRowPresenter : public FacePresenter {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString readingId READ readingId WRITE setReadingId NOTIFY inputChanged)
    Q_PROPERTY(bool isExpanded READ isExpanded WRITE setExpanded NOTIFY inputChanged)
    Q_PROPERTY(bool isPinnableKey READ isPinnableKey WRITE setPinnableKey NOTIFY inputChanged)
    // The row can be tapped (the caller expands it): focusable, a button.
    Q_PROPERTY(bool interactive READ interactive WRITE setInteractive NOTIFY inputChanged)

    Q_PROPERTY(QString name READ name NOTIFY changed)
    Q_PROPERTY(QString symbol READ symbol NOTIFY changed)
    Q_PROPERTY(bool hasValue READ hasValue NOTIFY changed)
    Q_PROPERTY(QString valueText READ valueText NOTIFY changed)
    Q_PROPERTY(bool valueIsHot READ valueIsHot NOTIFY changed)
    Q_PROPERTY(double valueCelsius READ valueCelsius NOTIFY changed)
    Q_PROPERTY(bool pinned READ pinned NOTIFY changed)
    Q_PROPERTY(QString pinSymbol READ pinSymbol NOTIFY changed)
    Q_PROPERTY(QString pinLabel READ pinLabel NOTIFY changed)
    Q_PROPERTY(QString pinMenuText READ pinMenuText NOTIFY changed)
    Q_PROPERTY(QString accessibleName READ accessibleName NOTIFY changed)
    Q_PROPERTY(QString accessibleValue READ accessibleValue NOTIFY changed)
    Q_PROPERTY(QString hint READ hint NOTIFY changed)
    Q_PROPERTY(QString accessibleDescription READ accessibleDescription NOTIFY changed)
    Q_PROPERTY(QString graphLabel READ graphLabel CONSTANT)
    Q_PROPERTY(double graphTintCelsius READ graphTintCelsius NOTIFY changed)
    Q_PROPERTY(bool hasExtremes READ hasExtremes NOTIFY changed)
    Q_PROPERTY(QString minText READ minText NOTIFY changed)
    Q_PROPERTY(QString maxText READ maxText NOTIFY changed)
    // °C, oldest first; empty while collapsed.
    Q_PROPERTY(QList<double> history READ history NOTIFY historyChanged)

public:
    explicit DeviceSensorRowPresenter(QObject* parent = nullptr);

    QString readingId() const { return readingId_; }
    void setReadingId(const QString& id);
    bool isExpanded() const { return settings_.expanded; }
    void setExpanded(bool expanded);
    bool isPinnableKey() const { return pinnableKey_; }
    void setPinnableKey(bool pinnable);
    bool interactive() const { return settings_.interactive; }
    void setInteractive(bool interactive);

    const DeviceRowDisplay& display() const { return display_; }
    QString name() const { return name_; }
    QString symbol() const { return symbol_; }
    bool hasValue() const { return display_.hasValue; }
    QString valueText() const { return QString::fromStdString(display_.valueText); }
    bool valueIsHot() const { return display_.valueIsHot; }
    double valueCelsius() const { return display_.valueCelsius; }
    bool pinned() const { return pinned_; }
    QString pinSymbol() const;
    QString pinLabel() const;
    QString pinMenuText() const;
    QString accessibleName() const { return QString::fromStdString(display_.accessibleName); }
    QString accessibleValue() const { return QString::fromStdString(display_.accessibleValue); }
    QString hint() const { return QString::fromStdString(display_.hint); }
    QString accessibleDescription() const { return QString::fromStdString(display_.accessibleDescription); }
    QString graphLabel() const { return QStringLiteral("History"); }
    double graphTintCelsius() const { return display_.graphTintCelsius; }
    bool hasExtremes() const { return display_.hasExtremes; }
    QString minText() const { return QString::fromStdString(display_.minText); }
    QString maxText() const { return QString::fromStdString(display_.maxText); }
    QList<double> history() const { return history_; }

    // The pin button's and the context menu's action; nothing for a key
    // that cannot be pinned.
    Q_INVOKABLE void togglePin();
    Q_INVOKABLE double chevronRotation(bool expanded, bool reduceMotion) const;
    Q_INVOKABLE double chevronOpacity(bool hovering, bool expanded) const;

signals:
    void inputChanged();
    void changed();
    void historyChanged();

protected:
    void follow(face::EngineFace& face) override;
    void refresh() override;

private:
    void inputMoved();
    void findRow();
    void rowsChanged(int first, int last, const QList<int>& roles);

    QString readingId_;
    bool pinnableKey_ = false;
    DeviceRowSettings settings_;
    int row_ = -1;  // of the reading in the face's model
    QString name_;
    QString symbol_;
    bool pinned_ = false;
    DeviceRowDisplay display_;
    QList<double> history_;
};

}  // namespace zephrane::dashboard
