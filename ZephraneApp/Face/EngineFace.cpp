#include "ZephraneApp/Face/EngineFace.hpp"

#include "ZephraneApp/Face/AlertsFace.hpp"
#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/ModesFace.hpp"
#include "ZephraneApp/Face/PowerFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/QmlProvided.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/Face/ShellFace.hpp"
#include "ZephraneApp/Face/SystemFace.hpp"

namespace zephrane::face {

EngineFace::EngineFace(QObject* parent)
    : QObject(parent),
      sensors_(new SensorsFace(*this, this)),
      drive_(new DriveFace(*this, this)),
      power_(new PowerFace(*this, this)),
      modes_(new ModesFace(*this, this)),
      alerts_(new AlertsFace(*this, this)),
      daemon_(new DaemonFace(*this, this)),
      preferences_(new PreferencesFace(*this, this)),
      shell_(new ShellFace(*this, this)),
      system_(new SystemFace(*this, this)) {}

EngineFace::~EngineFace() = default;

void EngineFace::provide(QQmlEngine& qml, EngineFace* face) { QmlProvided<EngineFace>::provide(qml, face); }

EngineFace* EngineFace::create(QQmlEngine* qml, QJSEngine*) { return QmlProvided<EngineFace>::take(qml, "Zephrane.Face"); }

}  // namespace zephrane::face
