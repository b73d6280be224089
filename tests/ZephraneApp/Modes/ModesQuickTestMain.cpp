// The modes views' QML tests, with the app's lifecycle log lines readable
// from QML as `lifecycleLog.lines()` (cleared by `lifecycleLog.clear()`).
#include <QQmlContext>
#include <QQmlEngine>
#include <QStringList>

#include "ViewQuickTest.hpp"
#include "platform/oslog/OSLog.hpp"

namespace {

class LifecycleLog : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    Q_INVOKABLE QStringList lines() const {
        QStringList lines;
        for (const auto& record : sink_.records("com.zephrane.app", "lifecycle"))
            lines << QString::fromStdString(record.message);
        return lines;
    }
    Q_INVOKABLE void clear() { sink_.clear(); }

private:
    zephrane::oslog::CaptureSink sink_;
};

}  // namespace

int main(int argc, char** argv) {
    return zephrane::testing::runViewQuickTests(
        argc, argv, ZEPHRANE_VIEW_TEST_NAME, QUICK_TEST_SOURCE_DIR, [](QQmlEngine& qml, zephrane::testing::ViewTest&) {
            qml.rootContext()->setContextProperty(QStringLiteral("lifecycleLog"), new LifecycleLog(&qml));
        });
}

#include "ModesQuickTestMain.moc"
