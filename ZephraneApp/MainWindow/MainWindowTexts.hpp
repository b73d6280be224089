// The main window's fixed texts, for its QML: titles, button titles, help
// and spoken labels, each as the rules' headers spell it.
#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace zephrane::mainwindow {

class MainWindowTexts : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QString windowTitle READ windowTitle CONSTANT)
    Q_PROPERTY(QString fans READ fans CONSTANT)
    Q_PROPERTY(QString fanControl READ fanControl CONSTANT)
    Q_PROPERTY(QString noFansTitle READ noFansTitle CONSTANT)
    Q_PROPERTY(QString dustCycle READ dustCycle CONSTANT)
    Q_PROPERTY(QString dustCycleHelp READ dustCycleHelp CONSTANT)
    Q_PROPERTY(QString cancelDustCycle READ cancelDustCycle CONSTANT)
    Q_PROPERTY(QString dustCycleSheetBody READ dustCycleSheetBody CONSTANT)
    Q_PROPERTY(QString dustCycleSheetNote READ dustCycleSheetNote CONSTANT)
    Q_PROPERTY(QString startDustCycle READ startDustCycle CONSTANT)
    Q_PROPERTY(QString cancel READ cancel CONSTANT)
    Q_PROPERTY(QString heatSources READ heatSources CONSTANT)
    Q_PROPERTY(QString heatSourcePeriod READ heatSourcePeriod CONSTANT)
    Q_PROPERTY(QString quit READ quit CONSTANT)
    Q_PROPERTY(QString sensors READ sensors CONSTANT)
    Q_PROPERTY(QString allSensors READ allSensors CONSTANT)
    Q_PROPERTY(QString allSensorsHelp READ allSensorsHelp CONSTANT)
    Q_PROPERTY(QString allSensorsHint READ allSensorsHint CONSTANT)
    Q_PROPERTY(QString dismissOverheatAlert READ dismissOverheatAlert CONSTANT)
    Q_PROPERTY(QString sidebar READ sidebar CONSTANT)

public:
    explicit MainWindowTexts(QObject* parent = nullptr) : QObject(parent) {}

    static QString windowTitle();
    static QString fans();
    static QString fanControl();
    static QString noFansTitle();
    static QString dustCycle();
    static QString dustCycleHelp();
    static QString cancelDustCycle();
    static QString dustCycleSheetBody();
    static QString dustCycleSheetNote();
    static QString startDustCycle();
    static QString cancel();
    static QString heatSources();
    static QString heatSourcePeriod();
    static QString quit();
    static QString sensors();
    static QString allSensors();
    static QString allSensorsHelp();
    static QString allSensorsHint();
    static QString dismissOverheatAlert();
    static QString sidebar();
};

}  // namespace zephrane::mainwindow
