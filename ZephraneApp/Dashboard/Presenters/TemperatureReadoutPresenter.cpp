#include "ZephraneApp/Dashboard/Presenters/TemperatureReadoutPresenter.hpp"

#include "ZephraneApp/Dashboard/Presenters/Stored.hpp"
#include "ZephraneApp/Dashboard/Rules/FigureText.hpp"
#include "ZephraneApp/Dashboard/Rules/HeroText.hpp"

namespace zephrane::dashboard {

TemperatureReadoutPresenter::TemperatureReadoutPresenter(QObject* parent) : QObject(parent) {}

void TemperatureReadoutPresenter::setTemperature(double celsius) {
    if (stored(temperature_, celsius)) inputsMoved();
}

void TemperatureReadoutPresenter::setDigitsText(const QString& text) {
    if (stored(digitsText_, text)) inputsMoved();
}

void TemperatureReadoutPresenter::setNumericRollKey(double key) {
    if (stored(numericRollKey_, key)) inputsMoved();
}

bool TemperatureReadoutPresenter::hasReading() const { return isTemperatureReading(shownCelsius_); }

double TemperatureReadoutPresenter::opacity() const { return readoutOpacity(shownCelsius_); }

void TemperatureReadoutPresenter::componentComplete() {
    complete_ = true;
    settle();
}

void TemperatureReadoutPresenter::inputsMoved() {
    emit inputChanged();
    if (!complete_ || pending_) return;
    pending_ = true;
    QMetaObject::invokeMethod(this, &TemperatureReadoutPresenter::settle, Qt::QueuedConnection);
}

void TemperatureReadoutPresenter::settle() {
    pending_ = false;
    const QString text = QString::fromStdString(readoutDigits(temperature_, digitsText_.toStdString()));
    const double key = readoutRollKey(numericRollKey_, temperature_);
    const bool rolls = settled_ && key != rollKey_;
    const QString before = shownText_;
    bool changed = stored(shownText_, text);
    changed = stored(rollKey_, key) || changed;
    changed = stored(shownCelsius_, temperature_) || changed;
    if (rolls) previousText_ = before;
    if (changed || !settled_) emit shownChanged();
    settled_ = true;
    if (rolls) emit rolled();
}

}  // namespace zephrane::dashboard
