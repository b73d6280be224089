// The sensor list's rules for SensorsView.qml: the mode (the device
// readings, or every sensor grouped), the search, the count above the list,
// the page shown when there is nothing to list, the one expanded device row,
// and the grouped rows themselves (SensorGroupModel).
#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Dashboard/Presenters/FacePresenter.hpp"
#include "ZephraneApp/Dashboard/Presenters/SensorGroupModel.hpp"

namespace zephrane::dashboard {

class SensorsPresenter : public FacePresenter {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    Q_PROPERTY(bool searching READ searching NOTIFY changed)
    // "essentials" or "all", for the mode filter.
    Q_PROPERTY(QString modeSelection READ modeSelection NOTIFY changed)
    Q_PROPERTY(Body body READ body NOTIFY changed)
    Q_PROPERTY(QString countText READ countText NOTIFY changed)
    Q_PROPERTY(QString emptyTitle READ emptyTitle NOTIFY changed)
    Q_PROPERTY(QString emptySymbol READ emptySymbol NOTIFY changed)
    Q_PROPERTY(QString emptyDescription READ emptyDescription NOTIFY changed)
    Q_PROPERTY(zephrane::dashboard::SensorGroupModel* groups READ groups CONSTANT)
    // Changes whenever the set of sensor keys does: an argument of
    // isSensorKey() so that bindings follow it.
    Q_PROPERTY(int sensorKeysRevision READ sensorKeysRevision NOTIFY sensorKeysChanged)
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(QString searchPrompt READ searchPrompt CONSTANT)
    Q_PROPERTY(QString filterLabel READ filterLabel CONSTANT)
    // The mode filter's segments: [{id, title}].
    Q_PROPERTY(QVariantList modeSegments READ modeSegments CONSTANT)

public:
    enum Body { NoSensors, Essentials, Grouped, NoResults };
    Q_ENUM(Body)

    explicit SensorsPresenter(QObject* parent = nullptr);

    QString query() const { return query_; }
    void setQuery(const QString& query);
    bool searching() const;
    QString modeSelection() const;
    Body body() const { return body_; }
    QString countText() const { return countText_; }
    QString emptyTitle() const { return emptyTitle_; }
    QString emptySymbol() const;
    QString emptyDescription() const { return emptyDescription_; }
    SensorGroupModel* groups() { return groups_; }
    int sensorKeysRevision() const { return sensorKeysRevision_; }
    QString title() const { return QStringLiteral("Sensors"); }
    QString searchPrompt() const { return QStringLiteral("Search all sensors"); }
    QString filterLabel() const { return QStringLiteral("Sensor list filter"); }
    QVariantList modeSegments() const;

    // The mode filter's choice: "all" shows every sensor, anything else
    // (a cleared selection too) the device readings. Stored as the user's
    // preference.
    Q_INVOKABLE void chooseMode(const QVariant& segment);
    // The device row expanded after a tap on `tapped` while `expanded` is:
    // the tapped one, or none when it was the expanded one. Empty for none.
    Q_INVOKABLE QString toggledExpansion(const QString& expanded, const QString& tapped) const;
    // A device reading's id names a discovered sensor: its row can pin it.
    Q_INVOKABLE bool isSensorKey(const QString& id, int revision) const;
    Q_INVOKABLE void togglePin(const QString& key);

signals:
    void queryChanged();
    void changed();
    void sensorKeysChanged();

protected:
    void follow(face::EngineFace& face) override;
    void refresh() override;

private:
    bool showAll() const;
    void keysMayHaveChanged();

    QString query_;
    SensorGroupModel* groups_ = nullptr;
    Body body_ = NoSensors;
    QString countText_;
    QString emptyTitle_;
    QString emptyDescription_;
    bool searching_ = false;
    bool showAll_ = false;
    std::set<std::string> sensorKeys_;
    int sensorKeysRevision_ = 0;
    bool refreshing_ = false;
};

}  // namespace zephrane::dashboard
