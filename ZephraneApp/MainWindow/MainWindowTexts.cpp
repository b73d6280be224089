#include "ZephraneApp/MainWindow/MainWindowTexts.hpp"

#include "ZephraneApp/Face/QtText.hpp"
#include "ZephraneApp/MainWindow/DashboardCards.hpp"
#include "ZephraneApp/MainWindow/DustCycleControl.hpp"
#include "ZephraneApp/MainWindow/HeatSourceRules.hpp"

namespace zephrane::mainwindow {

using face::qtText;

QString MainWindowTexts::windowTitle() { return QStringLiteral("Brumalune"); }
QString MainWindowTexts::fans() { return QStringLiteral("Fans"); }
QString MainWindowTexts::fanControl() { return QStringLiteral("Fan Control"); }
QString MainWindowTexts::noFansTitle() { return QStringLiteral("No fans detected"); }
QString MainWindowTexts::dustCycle() { return qtText(kDustCycleTitle); }
QString MainWindowTexts::dustCycleHelp() { return qtText(kDustCycleHelp); }
QString MainWindowTexts::cancelDustCycle() { return qtText(kCancelDustCycle); }
QString MainWindowTexts::dustCycleSheetBody() { return qtText(kDustCycleSheetBody); }
QString MainWindowTexts::dustCycleSheetNote() { return qtText(kDustCycleSheetNote); }
QString MainWindowTexts::startDustCycle() { return qtText(kStartDustCycle); }
QString MainWindowTexts::cancel() { return qtText(kCancel); }
QString MainWindowTexts::heatSources() { return qtText(kHeatSourcesTitle); }
QString MainWindowTexts::heatSourcePeriod() { return qtText(kHeatSourcePeriodLabel); }
QString MainWindowTexts::quit() { return qtText(kQuit); }
QString MainWindowTexts::sensors() { return qtText(kSensorsTitle); }
QString MainWindowTexts::allSensors() { return qtText(kAllSensors); }
QString MainWindowTexts::allSensorsHelp() { return qtText(kAllSensorsHelp); }
QString MainWindowTexts::allSensorsHint() { return qtText(kAllSensorsHint); }
QString MainWindowTexts::dismissOverheatAlert() { return QStringLiteral("Dismiss overheat alert"); }
QString MainWindowTexts::sidebar() { return QStringLiteral("Sections"); }

}  // namespace zephrane::mainwindow
