#include "ZephraneApp/DesignSystem/AccentChoice.hpp"

#include <map>

#include <QGuiApplication>
#include <QPalette>

namespace zephrane::Theme {
namespace {

// The accent a Mac shows when the user never chose one; used where no
// desktop palette exists (a headless process).
const QColor kFallbackSystemAccent = QColor::fromRgbF(0.0F, 0.478F, 1.0F);

struct AccentState {
    AccentChoice active = AccentChoice::system;
    int nextToken = 1;
    std::map<int, AccentListener> listeners;
};

// Immortal: views may read the accent while static objects are destroyed.
AccentState& state() {
    static auto* s = new AccentState;
    return *s;
}

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

AccentChoice activeAccentChoice() { return state().active; }

void setActiveAccentChoice(AccentChoice c) {
    auto& s = state();
    if (s.active == c) return;
    s.active = c;
    // A listener may remove itself while being told.
    const auto listeners = s.listeners;
    for (const auto& [token, listener] : listeners) listener(c);
}

QColor accentColor() { return color(state().active); }

int addAccentListener(AccentListener listener) {
    auto& s = state();
    const int token = s.nextToken++;
    s.listeners.emplace(token, std::move(listener));
    return token;
}

void removeAccentListener(int token) { state().listeners.erase(token); }

}  // namespace zephrane::Theme
