// The Alerts section's per-category rows, one per sensor category in the
// categories' order: each row's name, rule summary, threshold slider and
// toggles, and whether it is expanded. A row reads the category's rule as
// the engine stores it, else the default rule; each write changes one field
// of the rule looked up afresh. Rows keep their identity: a change of a
// rule or of the temperature unit updates them in place.
#pragma once

#include <array>
#include <set>

#include <QAbstractListModel>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Face/EngineFace.hpp"
#include "shared/SensorModel.hpp"

namespace zephrane::settingsview {

class AlertRuleRows : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(zephrane::face::EngineFace* face READ face WRITE setFace NOTIFY faceChanged)

public:
    enum Role {
        NameRole = Qt::UserRole + 1,
        SummaryRole,
        EnabledRole,
        ThresholdCelsiusRole,
        ThresholdTextRole,
        ThresholdLabelRole,
        AutoBoostRole,
        ExpandedRole,
    };
    Q_ENUM(Role)

    // The per-category threshold slider's range, °C.
    enum ThresholdRange { MinimumThreshold = 40, MaximumThreshold = 110 };
    Q_ENUM(ThresholdRange)

    explicit AlertRuleRows(QObject* parent = nullptr);

    face::EngineFace* face() const { return face_; }
    void setFace(face::EngineFace* face);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    Q_INVOKABLE void setEnabled(int row, bool enabled);
    Q_INVOKABLE void setThreshold(int row, double celsius);
    Q_INVOKABLE void setAutoBoost(int row, bool autoBoost);
    Q_INVOKABLE void setExpanded(int row, bool expanded);

    // The category's rule as the row shows it.
    AlertRule rule(SensorCategory category) const;

signals:
    void faceChanged();

private:
    struct Shown {
        AlertRule rule;
        bool fahrenheit = false;
        bool expanded = false;
        friend bool operator==(const Shown&, const Shown&) = default;
    };

    Shown shown(SensorCategory category) const;
    void refresh();
    bool valid(int row) const;

    QPointer<face::EngineFace> face_;
    std::set<SensorCategory> expanded_;
    std::array<Shown, 6> shown_{};
};

}  // namespace zephrane::settingsview
