#include "ZephraneApp/Dashboard/Presenters/TemperatureHeroPresenter.hpp"

#include "ZephraneApp/Dashboard/Presenters/Stored.hpp"
#include "ZephraneApp/Dashboard/Rules/HeroText.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/Services/Monitors/SystemLoadSampler.hpp"
#include "shared/TemperatureFormat.hpp"

namespace zephrane::dashboard {

TemperatureHeroPresenter::TemperatureHeroPresenter(QObject* parent) : FacePresenter(parent) {}

void TemperatureHeroPresenter::follow(face::EngineFace& face) {
    refreshOn(&face.sensors(), &face::SensorsFace::temperaturesChanged);
    refreshOn(&face.sensors(), &face::SensorsFace::displayedTemperatureSourceLabelChanged);
    refreshOn(&face.preferences(), &face::PreferencesFace::useFahrenheitChanged);
    refreshOn(&face.preferences(), &face::PreferencesFace::preciseTemperaturesChanged);
}

void TemperatureHeroPresenter::refresh() {
    Shown next;
    if (face::EngineFace* f = face()) {
        const double celsius = f->sensors().displayedTemperature();
        const bool fahrenheit = f->preferences().useFahrenheitValue();
        const bool precise = f->preferences().preciseTemperaturesValue();
        next.temperature = celsius;
        next.digitsText = QString::fromStdString(TemperatureFormat::value(celsius, fahrenheit, precise));
        next.unitText = QString::fromStdString(dashboard::unitText(fahrenheit));
        next.rollKey = f->sensors().heroDisplayTemperature();
        next.sourceLabel = f->sensors().displayedTemperatureSourceLabel();
        next.accessibleName = next.sourceLabel + QStringLiteral(" temperature");
        next.accessibleValue = QString::fromStdString(readoutSpoken(celsius, fahrenheit, precise));
    }
    if (stored(shown_, std::move(next))) emit changed();
}

QString TemperatureHeroPresenter::percentText(double fraction) const {
    return QString::fromStdString(loadPercentText(fraction));
}

QString TemperatureHeroPresenter::spokenLoad(double fraction, const QString& detail) const {
    return QString::fromStdString(loadSpokenValue(fraction, detail.toStdString()));
}

double TemperatureHeroPresenter::barWidth(double fraction, double trackWidth) const {
    return loadBarWidth(fraction, trackWidth);
}

bool TemperatureHeroPresenter::isOverallLoad(const QString& component) const {
    return component.toStdString() == SystemLoad::rawValue(SystemLoad::Component::overall);
}

}  // namespace zephrane::dashboard
