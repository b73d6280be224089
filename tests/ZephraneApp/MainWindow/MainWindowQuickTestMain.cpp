// The runner of the main window's QML tests: each test file's engine starts
// with no application running, and gets `mainWindowTest` to say which run
// and to read back the quits asked for.
#include <QQmlContext>
#include <QQmlEngine>
#include <QStringList>
#include <QVariantList>

#include "ViewQuickTest.hpp"
#include "ZephraneApp/MainWindow/ScriptedApplications.hpp"

namespace {

using zephrane::mainwindow::RunningApplications;
using zephrane::mainwindow::ScriptedApplications;

class MainWindowTest : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    ScriptedApplications& applications() { return RunningApplications::standIn(); }

    Q_INVOKABLE void setRunningIdentifiers(const QStringList& identifiers) {
        std::set<std::string> running;
        for (const QString& identifier : identifiers) running.insert(identifier.toStdString());
        applications().setIdentifiers(std::move(running));
    }
    // [[pid, name, regular], ...]
    Q_INVOKABLE void setApplications(const QVariantList& rows) {
        std::vector<zephrane::workspace::ApplicationProcess> processes;
        for (const QVariant& row : rows) {
            const QVariantList fields = row.toList();
            processes.push_back({fields[0].toInt(), fields[1].toString().toStdString(), std::nullopt,
                                 fields[1].toString().toStdString(),
                                 fields[2].toBool() ? zephrane::workspace::ActivationPolicy::regular
                                                    : zephrane::workspace::ActivationPolicy::prohibited});
        }
        applications().setApplications(std::move(processes));
    }
    // ["pid name", ...]
    Q_INVOKABLE QStringList quits() {
        QStringList out;
        for (const auto& quit : applications().quits())
            out << QStringLiteral("%1 %2").arg(quit.pid).arg(QString::fromStdString(quit.name));
        return out;
    }
    Q_INVOKABLE int identifierScans() { return applications().identifierScans(); }
};

}  // namespace

int main(int argc, char** argv) {
    return zephrane::testing::runViewQuickTests(
        argc, argv, ZEPHRANE_VIEW_TEST_NAME, QUICK_TEST_SOURCE_DIR, [](QQmlEngine& qml, zephrane::testing::ViewTest&) {
            RunningApplications::standIn().reset();
            auto* test = new MainWindowTest(&qml);
            qml.rootContext()->setContextProperty(QStringLiteral("mainWindowTest"), test);
        });
}

#include "MainWindowQuickTestMain.moc"
