// What the design module's tests share: the module imported into a QML
// engine, a theme of the test's own (display options set by hand, the
// appearance forced), and a net for every warning the QML engine prints.
#pragma once

#include <memory>

#include <QQmlEngine>
#include <QStringList>

#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"
#include "platform/accessibility/FakeDisplayOptions.hpp"

namespace zephrane::design::testing {

// The theme QML sees in this process, installed on first use; tests set
// its options and appearance and put them back.
struct TestTheme {
    accessibility::FakeDisplayOptions options;
    ThemeTokens theme{&options, nullptr};
};
TestTheme& testTheme();

// Adds the import path the static module needs (the module itself is
// imported with this file's code).
void importDesignModule(QQmlEngine& engine);
// The same, with the test theme installed.
void prepareEngine(QQmlEngine& engine);

// Collects warnings (and worse) from Qt while it lives.
class WarningNet {
public:
    WarningNet();
    ~WarningNet();
    WarningNet(const WarningNet&) = delete;
    WarningNet& operator=(const WarningNet&) = delete;
    QStringList caught() const;
};

}  // namespace zephrane::design::testing
