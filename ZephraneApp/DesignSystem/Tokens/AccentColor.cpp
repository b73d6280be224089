#include "ZephraneApp/DesignSystem/Tokens/AccentColor.hpp"

#include <QGuiApplication>
#include <QPalette>

namespace zephrane::Theme {
namespace {

// The accent a Mac shows when the user never chose one; used where no
// desktop palette exists (a headless process).
const QColor kFallbackSystemAccent = QColor::fromRgbF(0.0F, 0.478F, 1.0F);

QColor systemAccent() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return kFallbackSystemAccent;
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight);
}

}  // namespace

QColor color(AccentChoice c) {
    switch (c) {
        case AccentChoice::system: return systemAccent();
        case AccentChoice::sky: return QColor::fromRgbF(0.10F, 0.58F, 0.98F);
        case AccentChoice::teal: return QColor::fromRgbF(0.19F, 0.69F, 0.68F);
        case AccentChoice::indigo: return QColor::fromRgbF(0.42F, 0.46F, 0.95F);
        case AccentChoice::violet: return QColor::fromRgbF(0.64F, 0.45F, 0.94F);
        case AccentChoice::graphite: return QColor::fromRgbF(0.55F, 0.57F, 0.60F);
    }
    return systemAccent();
}

}  // namespace zephrane::Theme
