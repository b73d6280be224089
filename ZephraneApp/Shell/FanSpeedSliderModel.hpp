// The panel's fan-speed slider as the QML draws it: its position and drag
// state, its texts, and what it asks of the engine. While no custom mode is
// active a drag takes the fans over at one constant speed when it ends;
// with one active, every move of a drag writes the mode's speed at once and
// its end writes the final one.
//
// The position follows the engine (FanSpeedSliderLogic::restingValue) when
// what drives the fans changes: the profile, the manual targets, the active
// custom mode or the list of modes. Not while the user drags: the drag wins.
#pragma once

#include <map>
#include <optional>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Shell/FanSpeedSliderLogic.hpp"
#include "shared/CustomMode.hpp"

namespace zephrane {

class FanSpeedSliderModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("part of ZephraneMenuBarView")
    Q_PROPERTY(double value READ value NOTIFY valueChanged)
    Q_PROPERTY(bool dragging READ dragging NOTIFY draggingChanged)
    Q_PROPERTY(QString label READ label NOTIFY textsChanged)
    Q_PROPERTY(QString helpText READ helpText NOTIFY textsChanged)
    Q_PROPERTY(QString accessibilityHint READ accessibilityHint NOTIFY textsChanged)
    Q_PROPERTY(QString accessibilityValue READ accessibilityValue NOTIFY textsChanged)
    // What assistive technologies read beside the slider's name: the value,
    // then the hint when there is one.
    Q_PROPERTY(QString accessibleDescription READ accessibleDescription NOTIFY textsChanged)
    // Beside the slider: the RPM of the position while dragged, else the
    // fans' speed.
    Q_PROPERTY(QString speedText READ speedText NOTIFY textsChanged)

public:
    explicit FanSpeedSliderModel(QObject* parent = nullptr);

    // Takes its position from the face's engine at once.
    void setFace(face::EngineFace* face);

    double value() const { return value_; }
    bool dragging() const { return dragging_; }
    QString label() const { return texts_.label; }
    QString helpText() const { return texts_.helpText; }
    QString accessibilityHint() const { return texts_.hint; }
    QString accessibilityValue() const { return texts_.accessibilityValue; }
    QString accessibleDescription() const { return texts_.description; }
    QString speedText() const { return texts_.speedText; }

    // The text shown on the slider while dragged at `fraction`.
    Q_INVOKABLE QString rpmText(double fraction) const;
    // The slider moved to `fraction` (a drag, a click, an arrow key).
    Q_INVOKABLE void move(double fraction);
    // A drag begins (true) or ends (false); every end commits.
    Q_INVOKABLE void setEditing(bool editing);

    // Puts the slider where the engine now stands, unless a drag holds it.
    void syncFromEngine();

signals:
    void valueChanged();
    void draggingChanged();
    void textsChanged();

private:
    struct Texts {
        QString label;
        QString helpText;
        QString hint;
        QString accessibilityValue;
        QString description;
        QString speedText;
        bool operator==(const Texts&) const = default;
    };

    std::vector<FanSpeedSliderLogic::Fan> fans() const;
    std::optional<CustomMode> activeMode() const;
    void setValue(double value);
    void fansChanged();
    void modesChanged();
    void refreshTexts();

    QPointer<face::EngineFace> face_;
    double value_ = 0.5;
    bool dragging_ = false;
    Texts texts_;
    // What the position last followed, to tell a change of these from the
    // speed readings that come with every tick.
    std::map<std::int64_t, double> manualTargets_;
    std::vector<CustomMode> modes_;
};

}  // namespace zephrane
