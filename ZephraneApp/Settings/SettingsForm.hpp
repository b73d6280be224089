// What the settings form shows and does beyond its plain bindings: the
// login item's toggle and its error line, the Dock icon's activation
// policy, the texts and colours its rows compute, the daemon's status row,
// the optional sections, the pickers' items and the restore action with
// its confirmation. It lives as long as the form is shown.
//
// The "Start at login" toggle shows the registration the system reports,
// read when the form appears, after each change made with it, and each
// time the application becomes active (a change made in the system's own
// settings shows on return). The Dock toggle's changes while the form is
// shown set the activation policy at once; the app applies the stored
// preference itself at launch.
#pragma once

#include <optional>
#include <string>

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Face/EngineFace.hpp"

namespace zephrane::design {
class ThemeTokens;
}

namespace zephrane::settingsview {

class SettingsForm : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(zephrane::face::EngineFace* face READ face WRITE setFace NOTIFY faceChanged)
    // The shell's updater view model, or null: the Updates section shows
    // only while it can check for updates.
    Q_PROPERTY(QObject* updater READ updater WRITE setUpdater NOTIFY updaterChanged)
    Q_PROPERTY(bool showsUpdates READ showsUpdates NOTIFY updaterChanged)

    Q_PROPERTY(bool launchAtLogin READ launchAtLogin NOTIFY launchAtLoginChanged)
    Q_PROPERTY(QString loginItemError READ loginItemError NOTIFY loginItemErrorChanged)
    Q_PROPERTY(bool hasLoginItemError READ hasLoginItemError NOTIFY loginItemErrorChanged)

    Q_PROPERTY(bool controlSourceUnavailable READ controlSourceUnavailable NOTIFY textsChanged)
    Q_PROPERTY(QString smoothingText READ smoothingText NOTIFY textsChanged)
    Q_PROPERTY(QString spoolRateText READ spoolRateText NOTIFY textsChanged)
    Q_PROPERTY(QString overheatText READ overheatText NOTIFY textsChanged)
    Q_PROPERTY(QColor overheatColor READ overheatColor NOTIFY textsChanged)
    Q_PROPERTY(int selectedBackdropIndex READ selectedBackdropIndex NOTIFY textsChanged)
    // The text of a button that destroys something (the restore's).
    Q_PROPERTY(QColor destructiveColor READ destructiveColor NOTIFY textsChanged)

    Q_PROPERTY(QString helperStatusText READ helperStatusText NOTIFY helperChanged)
    Q_PROPERTY(QString helperStatusSymbol READ helperStatusSymbol NOTIFY helperChanged)
    Q_PROPERTY(QColor helperStatusColor READ helperStatusColor NOTIFY helperChanged)
    Q_PROPERTY(bool hasHelperIssue READ hasHelperIssue NOTIFY helperChanged)
    Q_PROPERTY(QString helperIssue READ helperIssue NOTIFY helperChanged)
    Q_PROPERTY(bool showsLastError READ showsLastError NOTIFY helperChanged)
    Q_PROPERTY(QString lastError READ lastError NOTIFY helperChanged)

    Q_PROPERTY(bool confirmingRestore READ confirmingRestore NOTIFY confirmingRestoreChanged)

    Q_PROPERTY(QStringList controlSourceNames READ controlSourceNames CONSTANT)
    Q_PROPERTY(QStringList menuBarReadoutNames READ menuBarReadoutNames CONSTANT)
    Q_PROPERTY(QStringList menuBarTempSourceNames READ menuBarTempSourceNames CONSTANT)
    Q_PROPERTY(QStringList accentNames READ accentNames CONSTANT)
    Q_PROPERTY(QVariantList accentColors READ accentColors NOTIFY textsChanged)
    // One map per window backdrop, in order: name, summary, raw value and
    // whether it is a photograph.
    Q_PROPERTY(QVariantList backdrops READ backdrops CONSTANT)

public:
    explicit SettingsForm(QObject* parent = nullptr);
    SettingsForm(design::ThemeTokens& theme, QObject* parent = nullptr);

    face::EngineFace* face() const { return face_; }
    void setFace(face::EngineFace* face);
    QObject* updater() const { return updater_; }
    void setUpdater(QObject* updater);
    bool showsUpdates() const;

    bool launchAtLogin() const;
    QString loginItemError() const;
    bool hasLoginItemError() const { return loginItemError_.has_value(); }
    // The toggle: registers or unregisters, keeps the failure's text (or
    // clears an earlier one), and reads the registration again.
    Q_INVOKABLE void setLaunchAtLogin(bool enabled);
    Q_INVOKABLE void refreshLaunchAtLogin();

    bool controlSourceUnavailable() const;
    QString smoothingText() const;
    QString spoolRateText() const;
    QString overheatText() const;
    QColor overheatColor() const;
    int selectedBackdropIndex() const;
    QColor destructiveColor() const;

    QString helperStatusText() const;
    QString helperStatusSymbol() const;
    QColor helperStatusColor() const;
    bool hasHelperIssue() const;
    QString helperIssue() const;
    bool showsLastError() const;
    QString lastError() const;

    bool confirmingRestore() const { return confirmingRestore_; }
    // "Restore Defaults…" only asks; the dialog's buttons end the question.
    Q_INVOKABLE void askToRestoreDefaults();
    Q_INVOKABLE void cancelRestoreDefaults();
    Q_INVOKABLE void confirmRestoreDefaults();

    // "Check for Updates…": nothing unless updates are configured.
    Q_INVOKABLE void checkForUpdates();

    static QStringList controlSourceNames();
    static QStringList menuBarReadoutNames();
    static QStringList menuBarTempSourceNames();
    static QStringList accentNames();
    static QVariantList accentColors();
    static QVariantList backdrops();

    // The backdrop grid's columns: as many cells of at least `minimumCell`
    // as fit across `width` with `spacing` between them; one at least.
    Q_INVOKABLE static int adaptiveColumns(double width, double minimumCell, double spacing);
    // Where a scrolled view's content must stand so that an item at `top`
    // with `height` (content coordinates) shows with `margin` around it,
    // moving as little as it can, and never past the content's ends;
    // `contentY` when it shows already.
    Q_INVOKABLE static double revealedContentY(double contentY, double viewHeight, double contentHeight, double top,
                                               double height, double margin);
    // Whether `item` lies inside `ancestor` (false for null).
    Q_INVOKABLE static bool holds(QQuickItem* ancestor, QQuickItem* item);

signals:
    void faceChanged();
    void updaterChanged();
    void launchAtLoginChanged();
    void loginItemErrorChanged();
    void textsChanged();
    void helperChanged();
    void confirmingRestoreChanged();

private:
    void followDockIcon();
    void setLoginItemError(std::optional<std::string> error);
    void setConfirmingRestore(bool confirming);

    design::ThemeTokens& theme_;
    QPointer<face::EngineFace> face_;
    QPointer<QObject> updater_;
    std::optional<std::string> loginItemError_;
    bool confirmingRestore_ = false;
};

}  // namespace zephrane::settingsview
