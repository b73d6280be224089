// The large temperature's rules for TemperatureReadout.qml: the digits (the
// caller's, or the em dash without a reading), their opacity, the heat of
// their gradient's ends, and when they roll.
//
// The caller's three inputs arrive one binding at a time, so the presenter
// settles once they have all arrived (at the end of the event loop's pass):
// the digits roll when the whole-degree key changed since the last
// settling, and are replaced in place when it did not. The first settling
// happens as the readout is made, without a roll.
#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlparserstatus.h>
#include <QtQml/qqmlregistration.h>

namespace zephrane::dashboard {

class TemperatureReadoutPresenter : public QObject, public QQmlParserStatus {
    Q_OBJECT
    Q_INTERFACES(QQmlParserStatus)
    QML_ELEMENT
    // °C; not finite or 0 and below: no reading.
    Q_PROPERTY(double temperature READ temperature WRITE setTemperature NOTIFY inputChanged)
    Q_PROPERTY(QString digitsText READ digitsText WRITE setDigitsText NOTIFY inputChanged)
    // NaN: the temperature's own.
    Q_PROPERTY(double numericRollKey READ numericRollKey WRITE setNumericRollKey NOTIFY inputChanged)
    Q_PROPERTY(QString shownText READ shownText NOTIFY shownChanged)
    // What the digits showed before the last roll.
    Q_PROPERTY(QString previousText READ previousText NOTIFY shownChanged)
    Q_PROPERTY(bool hasReading READ hasReading NOTIFY shownChanged)
    Q_PROPERTY(double opacity READ opacity NOTIFY shownChanged)
    // The gradient: the bottom of the digits in the heat of the reading,
    // the top in that of a reading 12 °C hotter.
    Q_PROPERTY(double bottomCelsius READ bottomCelsius NOTIFY shownChanged)
    Q_PROPERTY(double topCelsius READ topCelsius NOTIFY shownChanged)
    Q_PROPERTY(double rollKey READ rollKey NOTIFY shownChanged)

public:
    explicit TemperatureReadoutPresenter(QObject* parent = nullptr);

    double temperature() const { return temperature_; }
    void setTemperature(double celsius);
    QString digitsText() const { return digitsText_; }
    void setDigitsText(const QString& text);
    double numericRollKey() const { return numericRollKey_; }
    void setNumericRollKey(double key);

    QString shownText() const { return shownText_; }
    QString previousText() const { return previousText_; }
    bool hasReading() const;
    double opacity() const;
    double bottomCelsius() const { return shownCelsius_; }
    double topCelsius() const { return shownCelsius_ + 12; }
    double rollKey() const { return rollKey_; }

    // Takes up the inputs now (the queued settling's work; tests call it).
    void settle();

    void classBegin() override { complete_ = false; }
    void componentComplete() override;

signals:
    void inputChanged();
    void shownChanged();
    // The digits changed their whole degree: roll from previousText.
    void rolled();

private:
    void inputsMoved();

    double temperature_ = qQNaN();
    QString digitsText_;
    double numericRollKey_ = qQNaN();
    QString shownText_;
    QString previousText_;
    double rollKey_ = 0;
    double shownCelsius_ = qQNaN();  // the temperature as last settled
    bool settled_ = false;   // settled at least once
    bool pending_ = false;   // a settling is queued
    bool complete_ = true;   // false while QML builds the readout
};

}  // namespace zephrane::dashboard
