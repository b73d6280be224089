// The hero card's rules for TemperatureHeroView.qml: the temperature the
// app shows with its digits, unit, source and spoken texts, and the texts
// and bars of the system-load table (whose rows QML takes from the face's
// load model, passing each row's figures in).
#pragma once

#include <QString>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Dashboard/Presenters/FacePresenter.hpp"

namespace zephrane::dashboard {

class TemperatureHeroPresenter : public FacePresenter {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(double temperature READ temperature NOTIFY changed)
    Q_PROPERTY(QString digitsText READ digitsText NOTIFY changed)
    Q_PROPERTY(QString unitText READ unitText NOTIFY changed)
    Q_PROPERTY(double rollKey READ rollKey NOTIFY changed)
    Q_PROPERTY(QString sourceLabel READ sourceLabel NOTIFY changed)
    // "Hottest temperature": the readout's name and its pointer help.
    Q_PROPERTY(QString accessibleName READ accessibleName NOTIFY changed)
    Q_PROPERTY(QString accessibleValue READ accessibleValue NOTIFY changed)
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(QString titleSymbol READ titleSymbol CONSTANT)

public:
    struct Shown {
        double temperature = 0;  // °C
        QString digitsText;
        QString unitText;
        double rollKey = 0;
        QString sourceLabel;
        QString accessibleName;
        QString accessibleValue;
        friend bool operator==(const Shown&, const Shown&) = default;
    };

    explicit TemperatureHeroPresenter(QObject* parent = nullptr);

    const Shown& shown() const { return shown_; }
    double temperature() const { return shown_.temperature; }
    QString digitsText() const { return shown_.digitsText; }
    QString unitText() const { return shown_.unitText; }
    double rollKey() const { return shown_.rollKey; }
    QString sourceLabel() const { return shown_.sourceLabel; }
    QString accessibleName() const { return shown_.accessibleName; }
    QString accessibleValue() const { return shown_.accessibleValue; }
    QString title() const { return QStringLiteral("Temperature"); }
    QString titleSymbol() const { return QStringLiteral("thermometer.medium"); }

    // A load row, from its model figures.
    Q_INVOKABLE QString percentText(double fraction) const;
    Q_INVOKABLE QString spokenLoad(double fraction, const QString& detail) const;
    Q_INVOKABLE double barWidth(double fraction, double trackWidth) const;
    // The overall row ("Load") reads in the primary style, the rest secondary.
    Q_INVOKABLE bool isOverallLoad(const QString& component) const;

signals:
    void changed();

protected:
    void follow(face::EngineFace& face) override;
    void refresh() override;

private:
    Shown shown_;
};

}  // namespace zephrane::dashboard
