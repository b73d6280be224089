// The display options a Mac sets under Accessibility > Display: Reduce
// Motion, Reduce Transparency and Increase Contrast. The desktop has no
// single place for them, so each option is decided here from three layers,
// the first that says anything winning:
//
//   1. the environment: ZEPHRANE_REDUCE_MOTION, ZEPHRANE_REDUCE_TRANSPARENCY,
//      ZEPHRANE_INCREASE_CONTRAST set to 1/true/yes/on or 0/false/no/off
//      (anything else is no say), read once at start;
//   2. our own preference, a small settings file the user or the app writes;
//   3. the desktop, through the settings portal where one answers.
//
// An option no layer mentions is off. Views read the options through
// `DisplayOptionsSource`, which tells them when the result changes.
#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include <QObject>

namespace zephrane::accessibility {

enum class DisplayOption { reduceMotion, reduceTransparency, increaseContrast };

inline constexpr DisplayOption kAllDisplayOptions[] = {DisplayOption::reduceMotion, DisplayOption::reduceTransparency,
                                                       DisplayOption::increaseContrast};

struct DisplayOptions {
    bool reduceMotion = false;
    bool reduceTransparency = false;
    bool increaseContrast = false;

    bool get(DisplayOption option) const;
    friend bool operator==(const DisplayOptions&, const DisplayOptions&) = default;
};

// What one layer says about each option; none where it says nothing.
struct DisplayOptionLayer {
    std::optional<bool> reduceMotion;
    std::optional<bool> reduceTransparency;
    std::optional<bool> increaseContrast;

    std::optional<bool> get(DisplayOption option) const;
    void set(DisplayOption option, std::optional<bool> value);
    friend bool operator==(const DisplayOptionLayer&, const DisplayOptionLayer&) = default;
};

DisplayOptions resolveDisplayOptions(const DisplayOptionLayer& environment, const DisplayOptionLayer& preference,
                                     const DisplayOptionLayer& desktop);

// The option's environment variable, and its key in the preference file.
std::string_view environmentVariable(DisplayOption option);
std::string_view preferenceKey(DisplayOption option);

// 1/true/yes/on and 0/false/no/off, in any letter case; anything else none.
std::optional<bool> parseSwitch(std::string_view text);

// The environment layer, read through `lookup` (getenv by default).
using EnvironmentLookup = std::function<const char*(const char*)>;
DisplayOptionLayer environmentOverrides(const EnvironmentLookup& lookup = {});

class DisplayOptionsSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual DisplayOptions options() const = 0;

signals:
    // After every change of the resolved options, and only then.
    void optionsChanged();
};

}  // namespace zephrane::accessibility
